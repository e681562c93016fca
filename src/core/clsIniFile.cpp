#include "core/clsIniFile.h"

#include "platform/Cp1252.h"

#include <QFile>
#include <QSaveFile>

const QString clsIniFile::kMissingValue = QStringLiteral("unknown value");
const QString clsIniFile::kEmptyValue = QStringLiteral("Unknown section or key");

namespace {
bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString trimBlanks(const QString &text) {
    int from = 0;
    int to = int(text.size());
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

bool sameName(const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// True for a "[name]" line; the name comes back trimmed.
bool sectionLine(const QString &line, QString *name = nullptr) {
    const QString t = trimBlanks(line);
    if (!t.startsWith(QLatin1Char('['))) return false;
    const int close = int(t.lastIndexOf(QLatin1Char(']')));
    if (name) *name = trimBlanks(close > 0 ? t.mid(1, close - 1) : t.mid(1));
    return true;
}

// Splits "key=value" into its trimmed key and raw value; false for lines
// without '=' and for comments.
bool keyLine(const QString &line, QString *key, QString *value) {
    const QString t = trimBlanks(line);
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('[')))
        return false;
    const int eq = int(t.indexOf(QLatin1Char('=')));
    if (eq < 0) return false;
    *key = trimBlanks(t.left(eq));
    if (value) *value = t.mid(eq + 1);
    return true;
}

// Lines of a section: its header and the end of its body (exclusive); header
// is -1 when the section is absent.
struct Range {
    int header = -1;
    int end = -1;
};

Range findSection(const QStringList &lines, const QString &section) {
    Range r;
    for (int i = 0; i < lines.size(); ++i) {
        if (r.header < 0) {
            QString name;
            if (sectionLine(lines[i], &name) && sameName(name, section)) r.header = i;
        } else if (sectionLine(lines[i])) {
            r.end = i;
            return r;
        }
    }
    if (r.header >= 0) r.end = int(lines.size());
    return r;
}

int findKey(const QStringList &lines, const Range &r, const QString &key, QString *value) {
    for (int i = r.header + 1; i < r.end; ++i) {
        QString k;
        if (keyLine(lines[i], &k, value) && sameName(k, key)) return i;
    }
    return -1;
}

// Line breaks cannot live inside an INI value.
QString oneLine(const QString &text) {
    QString out = text;
    out.replace(QLatin1Char('\r'), QLatin1Char(' '));
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out;
}
} // namespace

QStringList clsIniFile::readLines() const {
    if (m_batch) return m_lines;
    QFile file(IniFileName);
    if (IniFileName.isEmpty() || !file.open(QIODevice::ReadOnly)) return {};
    const QString text = Cp1252::decode(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast(); // the final line end
    return lines;
}

void clsIniFile::beginUpdate() {
    m_lines = readLines();
    m_batch = true;
    m_dirty = false;
}

void clsIniFile::endUpdate() {
    m_batch = false;
    if (m_dirty) writeLines(m_lines);
    m_lines.clear();
}

void clsIniFile::writeLines(const QStringList &lines) {
    if (m_batch) {
        m_lines = lines;
        m_dirty = true;
        return;
    }
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
    QStringList lines = readLines();
    const Range r = findSection(lines, section);
    if (r.header < 0) return;
    lines.erase(lines.begin() + r.header, lines.begin() + r.end);
    writeLines(lines);
}

void clsIniFile::SaveSetting(const QString &section, const QString &key, const QString &value) {
    QStringList lines = readLines();
    const QString entry = trimBlanks(key) + QLatin1Char('=') + oneLine(value);
    const Range r = findSection(lines, section);
    if (r.header < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
        writeLines(lines);
        return;
    }
    const int at = findKey(lines, r, key, nullptr);
    if (at >= 0) {
        QString existing;
        keyLine(lines[at], &existing, nullptr);
        lines[at] = existing + QLatin1Char('=') + oneLine(value); // keeps its place and spelling
    } else {
        int insert = r.end; // after the section's last non-blank line
        while (insert > r.header + 1 && trimBlanks(lines[insert - 1]).isEmpty())
            --insert;
        lines.insert(insert, entry);
    }
    writeLines(lines);
}

QString clsIniFile::GetSetting(const QString &section, const QString &key) const {
    const QStringList lines = readLines();
    const Range r = findSection(lines, section);
    QString value;
    if (r.header < 0 || findKey(lines, r, key, &value) < 0) value = kMissingValue;
    value = trimBlanks(value);
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    value.truncate(kBufferSize - 1);
    return value.isEmpty() ? kEmptyValue : value;
}
