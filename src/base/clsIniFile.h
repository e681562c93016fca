#pragma once

#include "base/IniText.h"

#include <QString>
#include <QStringList>

// INI file access with the behaviour of the Windows profile functions:
// section and key names compare without regard to case, reads go through a
// 255-character buffer with a default text, writes create the file and the
// section as needed and keep an existing key where it is. The file is
// Windows-1252 text with CR LF line ends; every write replaces it atomically.
class clsIniFile {
public:
    // Buffer size of a read: at most kBufferSize - 1 characters come back.
    static constexpr int kBufferSize = 255;
    static const QString kMissingValue; // "unknown value"
    static const QString kEmptyValue;   // "Unknown section or key"

    QString IniFileName;

    // Removes the section with all its keys (nothing happens when it is absent).
    void DeleteSection(const QString &section);
    // Writes one key, creating the file and the section when needed.
    void SaveSetting(const QString &section, const QString &key, const QString &value);
    // The key's value (surrounding blanks and one pair of enclosing quotes
    // removed, cut to 254 characters); "unknown value" when the key, its
    // section or the file is missing; "Unknown section or key" when the value
    // is empty.
    QString GetSetting(const QString &section, const QString &key) const;
    // The key names of the section as written, in file order (repeats included).
    QStringList KeyNames(const QString &section) const;

    // Batches the following calls: they work on the file's text in memory and
    // endUpdate() replaces the file once. The results are those of the calls
    // made one by one, with a single write.
    void beginUpdate();
    void endUpdate();

    // False when the last write could not replace the file.
    bool lastWriteOk() const { return m_writeOk; }

private:
    IniText readText() const;
    // The text to change: the batch's, or the file's read into *local.
    IniText &editText(IniText &local);
    // After a change: marks the batch dirty, or replaces the file.
    void changed(const IniText &text);
    void writeLines(const QStringList &lines);
    bool m_writeOk = true;
    bool m_batch = false;
    bool m_dirty = false;
    IniText m_text; // the file's lines while batching
};
