#pragma once

#include "engine/FilePreallocator.h"
#include "platform/RawFile.h"

#include <QString>

class BodyPipe;
struct DownJobRecord;
struct Settings;

// The local file of a download job: the path a new download takes, creating
// it with its full size, opening it again to continue, and the writes at the
// parts' positions. Failures come back as messages that name the path and
// the system's reason.
class JobFile {
public:
    // The path a new download is saved under: the record's SavePath (with its
    // FileName, else "index.html", where it names a folder). Unless `reuse`,
    // "!mq" follows when UseMQ is 1 and, unless Fileexits allows overwriting,
    // a number goes before the extension while a file of that name exists;
    // `renamed` tells whether one did.
    static QString NewPath(const DownJobRecord &job, const Settings &settings, bool reuse,
                           bool *renamed);

    // Creates the file and its folder and gives it `size` bytes, refused when
    // the space left is too small; with a negative size (unknown) it is
    // emptied instead. `progress` follows the pre-allocation.
    bool create(const QString &path, qint64 size, const FilePreallocator::Progress &progress,
                QString *error);
    // Opens a file of an earlier run again to continue it.
    bool reopen(const QString &path, QString *error);
    // Writes at a position; false when the file is not open or the write failed.
    bool writeAt(qint64 pos, const char *data, qint64 size) {
        return m_file.isOpen() && m_file.writeAt(pos, data, size);
    }
    // Writes what `pipe` holds at a position; false with the system's reason.
    bool writeFromPipe(BodyPipe &pipe, qint64 pos, QString *error);
    QString error() const { return m_file.error(); }
    bool isOpen() const { return m_file.isOpen(); }
    int handle() const { return m_file.handle(); }
    void close() { m_file.close(); }

private:
    RawFile m_file;
};
