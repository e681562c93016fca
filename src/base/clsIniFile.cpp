#include "base/clsIniFile.h"

#include "platform/Cp1252.h"

#include <QFile>
#include <QSaveFile>

const QString clsIniFile::kMissingValue = QStringLiteral("unknown value");
const QString clsIniFile::kEmptyValue = QStringLiteral("Unknown section or key");

namespace {
using Range = IniText::Range;

QString trimBlanks(const QString &text) {
    return IniText::trimBlanks(text);
}

// Line breaks cannot live inside an INI value.
QString oneLine(const QString &text) {
    QString out = text;
    out.replace(QLatin1Char('\r'), QLatin1Char(' '));
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out;
}
} // namespace

IniText clsIniFile::readText() const {
    QFile file(IniFileName);
    if (IniFileName.isEmpty() || !file.open(QIODevice::ReadOnly)) return {};
    const QString text = Cp1252::decode(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast(); // the final line end
    return IniText(std::move(lines));
}

IniText &clsIniFile::editText(IniText &local) {
    if (m_batch) return m_text;
    local = readText();
    return local;
}

void clsIniFile::changed(const IniText &text) {
    if (m_batch)
        m_dirty = true;
    else
        writeLines(text.lines());
}

void clsIniFile::beginUpdate() {
    if (!m_batch) m_text = readText();
    m_batch = true;
    m_dirty = false;
}

void clsIniFile::endUpdate() {
    m_batch = false;
    if (m_dirty) writeLines(m_text.lines());
    m_text = IniText();
}

void clsIniFile::writeLines(const QStringList &lines) {
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += Cp1252::encode(line);
        bytes += "\r\n";
    }
    QSaveFile file(IniFileName);
    m_writeOk = !IniFileName.isEmpty() && file.open(QIODevice::WriteOnly) &&
                file.write(bytes) == bytes.size() && file.commit();
}

void clsIniFile::DeleteSection(const QString &section) {
    IniText local;
    IniText &text = editText(local);
    const Range r = text.findSection(section);
    if (r.header < 0) return;
    text.eraseLines(r.header, r.end);
    changed(text);
}

void clsIniFile::SaveSetting(const QString &section, const QString &key, const QString &value) {
    IniText local;
    IniText &text = editText(local);
    const QString entry = trimBlanks(key) + QLatin1Char('=') + oneLine(value);
    const Range r = text.findSection(section);
    if (r.header < 0) {
        text.insertLine(text.size(), QLatin1Char('[') + section + QLatin1Char(']'));
        text.insertLine(text.size(), entry);
        changed(text);
        return;
    }
    const int at = text.findKey(r, key, nullptr);
    if (at >= 0) {
        QString existing;
        IniText::keyLine(text.line(at), &existing, nullptr);
        text.replaceLine(at, existing + QLatin1Char('=') +
                                 oneLine(value)); // keeps its place and spelling
    } else {
        int insert = r.end; // after the section's last non-blank line
        while (insert > r.header + 1 && trimBlanks(text.line(insert - 1)).isEmpty())
            --insert;
        text.insertLine(insert, entry);
    }
    changed(text);
}

QStringList clsIniFile::KeyNames(const QString &section) const {
    const IniText local = m_batch ? IniText() : readText();
    const IniText &text = m_batch ? m_text : local;
    return text.keyNames(text.findSection(section));
}

QString clsIniFile::GetSetting(const QString &section, const QString &key) const {
    const IniText local = m_batch ? IniText() : readText();
    const IniText &text = m_batch ? m_text : local;
    const Range r = text.findSection(section);
    QString value;
    if (r.header < 0 || text.findKey(r, key, &value) < 0) value = kMissingValue;
    value = trimBlanks(value);
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    value.truncate(kBufferSize - 1);
    return value.isEmpty() ? kEmptyValue : value;
}
