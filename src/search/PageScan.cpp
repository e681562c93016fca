#include "search/PageScan.h"

#include <QByteArrayView>
#include <cstring>

namespace {
constexpr int kDone = 8;

void removeQuotes(QByteArray &text) {
    text.replace('"', QByteArray());
    text.replace('\'', QByteArray());
}

QByteArray asciiLower(const QByteArray &text) {
    QByteArray lower(text.size(), Qt::Uninitialized);
    const char *in = text.constData();
    char *out = lower.data();
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char c = in[i];
        out[i] = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    }
    return lower;
}

int firstPhase(int phases) {
    for (int p = PageScan::Objects; p <= PageScan::Links; p <<= 1)
        if (phases & p) return p;
    return kDone;
}
} // namespace

PageScan::PageScan(const QByteArray &page, int phases)
    : m_text(page), m_phases(phases), m_phase(firstPhase(phases)) {
    if (m_text.contains("\r\n")) m_text.replace("\r\n", " ");
    m_lower = asciiLower(m_text);
    m_object = {"<object classid=", "</object>", ".macromedia.", "value=", -1, -1, -1, -1, -1, {}};
    m_embed = {"<embed", "</embed>", "flash", "src=", -1, -1, -1, -1, -1, {}};
}

qsizetype PageScan::find(const QByteArray &needle, qsizetype from) const {
    return QByteArrayView(m_lower).indexOf(QByteArrayView(needle), from);
}

// The first hit of `needle` at or after `from`. A hit remembered from an
// earlier, smaller `from` is still the first one when it lies at or after
// `from`, so overlapping tags do not search the same text again. No hit is
// remembered as the text's size.
qsizetype PageScan::cachedFind(qsizetype &cache, const QByteArray &needle, qsizetype from) const {
    if (cache < from) {
        cache = find(needle, from);
        if (cache < 0) cache = m_lower.size();
    }
    return cache;
}

bool PageScan::nextTag(TagScan &scan, QByteArray &address) {
    for (;;) {
        const qsizetype start = find(scan.open, m_pos);
        if (start < 0) return false;
        const qsizetype close = cachedFind(scan.closeAt, scan.close, start);
        if (close >= m_lower.size()) return false;
        const qsizetype end = close + scan.close.size(); // the tag runs up to here
        m_pos = start + 1;
        if (cachedFind(scan.keyAt, scan.key, start) + scan.key.size() > end) continue;
        const qsizetype value = cachedFind(scan.valueAt, scan.value, start);
        if (value + scan.value.size() > end) continue;
        if (value != scan.lastValueAt) {
            // Up to the next blank; every ">" counts as one, so the closing
            // tag ends it at the latest.
            const qsizetype from = value + scan.value.size();
            if (scan.blankAt < from) {
                const char *text = m_text.constData();
                scan.blankAt = from;
                while (scan.blankAt < end && text[scan.blankAt] != ' ' && text[scan.blankAt] != '>')
                    ++scan.blankAt;
            }
            if (scan.blankAt - from > kMaxAddress) continue;
            scan.lastAddress = m_text.mid(from, scan.blankAt - from);
            removeQuotes(scan.lastAddress);
            scan.lastValueAt = value;
        }
        address = scan.lastAddress;
        return true;
    }
}

bool PageScan::nextLink(QByteArray &address) {
    const char *text = m_text.constData();
    const qsizetype size = m_text.size();
    while (m_pos < size) {
        const void *lt = std::memchr(text + m_pos, '<', size_t(size - m_pos));
        if (!lt) break;
        const qsizetype start = static_cast<const char *>(lt) - text;
        m_pos = start + 1;
        if (start + 1 >= size || (text[start + 1] != 'a' && text[start + 1] != 'A')) continue;
        const void *gt = std::memchr(text + start, '>', size_t(size - start));
        if (!gt) break; // the tag never closes: nothing more to take
        const qsizetype end = static_cast<const char *>(gt) - text;
        m_pos = end + 1;
        address = GetHref(m_text.mid(start, end - start + 1));
        return true;
    }
    m_pos = size;
    return false;
}

bool PageScan::next(Find &out) {
    while (m_phase != kDone) {
        bool found = false;
        if (m_phase == Objects)
            found = nextTag(m_object, out.address);
        else if (m_phase == Embeds)
            found = nextTag(m_embed, out.address);
        else
            found = nextLink(out.address);
        if (found) {
            out.kind = m_phase == Links ? Find::Link : Find::Movie;
            return true;
        }
        m_pos = 0;
        do {
            m_phase <<= 1;
        } while (m_phase != kDone && !(m_phases & m_phase));
    }
    return false;
}

QVector<PageScan::Find> PageScan::scanAll(const QByteArray &page, int phases) {
    QVector<Find> finds;
    PageScan scan(page, phases);
    Find f;
    while (scan.next(f))
        finds.append(f);
    return finds;
}

QByteArray PageScan::GetHref(const QByteArray &tag) {
    const qsizetype at = QByteArrayView(asciiLower(tag)).indexOf(QByteArrayView("href="));
    if (at < 0) return {};
    const qsizetype from = at + 5;
    qsizetype to = tag.indexOf(' ', from);
    if (to < 0) to = qMax(from, tag.size() - 1);
    QByteArray link = tag.mid(from, to - from);
    removeQuotes(link);
    return link;
}
