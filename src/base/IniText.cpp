#include "base/IniText.h"

#include <algorithm>

namespace {
bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// A bucket name for the index: equal for any two names that compare equal
// without regard to case (each code unit case-folded on its own, surrogates
// all alike). Names in one bucket are told apart by sameName().
QString bucketOf(const QString &name) {
    QString out(name.size(), Qt::Uninitialized);
    for (int i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        out[i] = QChar::isSurrogate(u) ? QChar(0xFFFF) : QChar(char16_t(QChar::toCaseFolded(u)));
    }
    return out;
}
} // namespace

QString IniText::trimBlanks(const QString &text) {
    int from = 0;
    int to = int(text.size());
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

bool IniText::sameName(const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IniText::sectionLine(const QString &line, QString *name) {
    const QString t = trimBlanks(line);
    if (!t.startsWith(QLatin1Char('['))) return false;
    const int close = int(t.lastIndexOf(QLatin1Char(']')));
    if (name) *name = trimBlanks(close > 0 ? t.mid(1, close - 1) : t.mid(1));
    return true;
}

bool IniText::keyLine(const QString &line, QString *key, QString *value) {
    const QString t = trimBlanks(line);
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('[')))
        return false;
    const int eq = int(t.indexOf(QLatin1Char('=')));
    if (eq < 0) return false;
    *key = trimBlanks(t.left(eq));
    if (value) *value = t.mid(eq + 1);
    return true;
}

void IniText::indexLine(int i) const {
    QString name;
    if (sectionLine(m_lines[i], &name)) {
        m_headers.append(i);
        m_sections[bucketOf(name)].append(i);
        m_lastIndexed = i;
    } else if (!m_headers.isEmpty() && keyLine(m_lines[i], &name, nullptr)) {
        m_keys[m_headers.last()][bucketOf(name)].append(i);
        m_lastIndexed = i;
    }
}

void IniText::buildIndex() const {
    if (m_indexed) return;
    m_headers.clear();
    m_sections.clear();
    m_keys.clear();
    m_lastIndexed = -1;
    for (int i = 0; i < m_lines.size(); ++i)
        indexLine(i);
    m_indexed = true;
}

IniText::Range IniText::findSection(const QString &section) const {
    buildIndex();
    Range r;
    for (int header : m_sections.value(bucketOf(section))) {
        QString name;
        if (!sectionLine(m_lines[header], &name) || !sameName(name, section)) continue;
        r.header = header;
        const auto next = std::upper_bound(m_headers.cbegin(), m_headers.cend(), header);
        r.end = next == m_headers.cend() ? int(m_lines.size()) : *next;
        break;
    }
    return r;
}

int IniText::findKey(const Range &range, const QString &key, QString *value) const {
    if (range.header < 0) return -1;
    buildIndex();
    const auto section = m_keys.constFind(range.header);
    if (section == m_keys.cend()) return -1;
    for (int at : section->value(bucketOf(key))) {
        QString k;
        if (at > range.header && at < range.end && keyLine(m_lines[at], &k, value) &&
            sameName(k, key))
            return at;
    }
    return -1;
}

QStringList IniText::keyNames(const Range &range) const {
    QStringList names;
    QString name;
    for (int i = range.header + 1; range.header >= 0 && i < range.end; ++i)
        if (keyLine(m_lines[i], &name, nullptr)) names.append(name);
    return names;
}

void IniText::insertLine(int at, const QString &line) {
    m_lines.insert(at, line);
    // Past every header and key nothing indexed moves: index the new line only.
    if (m_indexed && at > m_lastIndexed)
        indexLine(at);
    else
        m_indexed = false;
}

void IniText::replaceLine(int at, const QString &line) {
    QString before, after;
    const bool sameKey =
        keyLine(m_lines[at], &before, nullptr) && keyLine(line, &after, nullptr) && before == after;
    m_lines[at] = line;
    if (!sameKey) m_indexed = false;
}

void IniText::eraseLines(int from, int to) {
    m_lines.erase(m_lines.begin() + from, m_lines.begin() + to);
    m_indexed = false;
}
