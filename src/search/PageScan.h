#pragma once

#include <QByteArray>
#include <QVector>

// The analysis of a page's text, one byte per character, as a pure scan:
// the Flash movies of its OBJECT tags, then those of its EMBED tags, then
// (when links are wanted) the target of every anchor tag, in page order.
// Addresses come out as written on the page with their quotes removed;
// resolving them is the caller's business. Tag and key searches ignore
// ASCII letter case. Each call of next() does a bounded share of the work,
// so a caller can yield between findings; the whole scan is linear in the
// page length, also on hostile pages.
class PageScan {
public:
    enum Phase { Objects = 1, Embeds = 2, Links = 4, All = 7 };

    struct Find {
        enum Kind { Movie, Link };
        Kind kind = Movie;
        QByteArray address;
    };

    // Longer addresses are not taken: no movie is called like that, and the
    // bound keeps hostile pages (tags sharing one endless address) linear.
    static constexpr qsizetype kMaxAddress = 4096;

    explicit PageScan(const QByteArray &page, int phases = Objects | Embeds);

    // The next finding; false when the scan has ended.
    bool next(Find &out);
    // Bytes of the text behind the scan's current position (for progress).
    qsizetype position() const { return m_pos; }

    // Every finding of a page at once.
    static QVector<Find> scanAll(const QByteArray &page, int phases = All);
    // The link of one anchor tag (from its "<" through its ">"): the text
    // after "HREF=" up to the next blank or the tag's last character,
    // without quotes; empty without "HREF=".
    static QByteArray GetHref(const QByteArray &tag);

private:
    struct TagScan {
        QByteArray open, close, key, value;               // lower case
        qsizetype closeAt = -1, keyAt = -1, valueAt = -1; // first hits at or after a start
        qsizetype blankAt = -1;                           // first ' ' or '>' at or after a value
        qsizetype lastValueAt = -1;
        QByteArray lastAddress;
    };
    bool nextTag(TagScan &scan, QByteArray &address);
    bool nextLink(QByteArray &address);
    qsizetype find(const QByteArray &needle, qsizetype from) const;
    qsizetype cachedFind(qsizetype &cache, const QByteArray &needle, qsizetype from) const;

    QByteArray m_text;  // the page with every CR LF made one blank
    QByteArray m_lower; // the same in lower case, for the searches
    int m_phases;
    int m_phase;
    qsizetype m_pos = 0;
    TagScan m_object, m_embed;
};
