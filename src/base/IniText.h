#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// The lines of an INI file and where its sections and keys are. Section and
// key names compare without regard to case; the first section of a name and
// the first key of a name within it count. Lookups use an index that is
// built once and kept up to date while lines are only added at the end of the
// text, so that reading or writing n keys costs time in proportion to n.
class IniText {
public:
    IniText() = default;
    explicit IniText(QStringList lines) : m_lines(std::move(lines)) {}

    // A section's header line and the end of its body (exclusive); header is
    // -1 when the section is absent.
    struct Range {
        int header = -1;
        int end = -1;
    };

    const QStringList &lines() const { return m_lines; }
    int size() const { return int(m_lines.size()); }
    const QString &line(int i) const { return m_lines[i]; }

    Range findSection(const QString &section) const;
    // The line of the key within the range, or -1; *value gets its raw value.
    int findKey(const Range &range, const QString &key, QString *value) const;

    // The names of the key lines within the range, in file order.
    QStringList keyNames(const Range &range) const;

    void insertLine(int at, const QString &line);
    void replaceLine(int at, const QString &line);
    void eraseLines(int from, int to);

    static QString trimBlanks(const QString &text);
    // True for a "[name]" line; the name comes back trimmed.
    static bool sectionLine(const QString &line, QString *name = nullptr);
    // Splits "key=value" into its trimmed key and raw value; false for lines
    // without '=' and for comments.
    static bool keyLine(const QString &line, QString *key, QString *value);
    static bool sameName(const QString &a, const QString &b);

private:
    void buildIndex() const;
    void indexLine(int i) const;

    QStringList m_lines;
    // The index; m_lastIndexed is the last line that is a header or a key.
    mutable bool m_indexed = false;
    mutable int m_lastIndexed = -1;
    mutable QVector<int> m_headers;                          // header lines in order
    mutable QHash<QString, QVector<int>> m_sections;         // folded name -> headers
    mutable QHash<int, QHash<QString, QVector<int>>> m_keys; // header -> folded key -> lines
};
