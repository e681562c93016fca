#include "movies/ActionStrings.h"

#include <QtEndian>

namespace {

enum : uchar { GetUrl = 0x83, ConstantPool = 0x88, Push = 0x96 };

// A cursor over bytes that stops (ok() false) instead of reading past the end.
class Cursor {
public:
    Cursor(const QByteArray &bytes, qsizetype from, qsizetype to)
        : m_b(reinterpret_cast<const uchar *>(bytes.constData())), m_bytes(bytes), m_at(from),
          m_end(qMin(to, bytes.size())) {}
    bool ok() const { return m_at <= m_end; }
    bool atEnd() const { return m_at >= m_end; }
    qsizetype at() const { return m_at; }
    uchar u8() { return m_at < m_end ? m_b[m_at++] : (m_at = m_end + 1, 0); }
    quint16 u16() {
        const quint16 v = m_at + 2 <= m_end ? qFromLittleEndian<quint16>(m_b + m_at) : 0;
        m_at += 2;
        return v;
    }
    void skip(qsizetype n) { m_at = n > m_end - m_at ? m_end + 1 : m_at + n; }
    // A NUL-terminated string.
    QByteArray cString() {
        const qsizetype nul = m_bytes.indexOf('\0', m_at);
        if (nul < 0 || nul >= m_end) {
            m_at = m_end + 1;
            return {};
        }
        const QByteArray text = m_bytes.mid(m_at, nul - m_at);
        m_at = nul + 1;
        return text;
    }
    // ABC's variable-length unsigned 30/32-bit integer.
    quint32 u30() {
        quint32 v = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            const uchar b = u8();
            v |= quint32(b & 0x7f) << shift;
            if (!(b & 0x80)) break;
        }
        return v;
    }
    QByteArray bytes(qsizetype n) {
        if (n > m_end - m_at) {
            m_at = m_end + 1;
            return {};
        }
        const QByteArray text = m_bytes.mid(m_at, n);
        m_at += n;
        return text;
    }

private:
    const uchar *m_b;
    const QByteArray &m_bytes;
    qsizetype m_at, m_end;
};

// The values of one Push record; stops at a type it does not know.
void pushed(Cursor c, const ActionStrings::Take &take) {
    static const int kSizes[] = {-1, 4, 0, 0, 1, 1, 8, 4, 1, 2}; // by type; -1 a string
    while (!c.atEnd() && c.ok()) {
        const uchar type = c.u8();
        if (type >= sizeof kSizes / sizeof *kSizes) return;
        if (kSizes[type] >= 0) {
            c.skip(kSizes[type]);
            continue;
        }
        const QByteArray text = c.cString();
        if (c.ok()) take(text);
    }
}

} // namespace

void ActionStrings::fromActions(const QByteArray &code, const Take &take) {
    Cursor c(code, 0, code.size());
    while (!c.atEnd()) {
        const uchar op = c.u8();
        if (op == 0) return; // ActionEndFlag
        if (op < 0x80) continue;
        const quint16 length = c.u16();
        const qsizetype start = c.at();
        if (!c.ok() || length > code.size() - start) return;
        Cursor record(code, start, start + length);
        if (op == ConstantPool) {
            for (int n = record.u16(); n > 0 && record.ok(); --n) {
                const QByteArray text = record.cString();
                if (record.ok()) take(text);
            }
        } else if (op == Push) {
            pushed(record, take);
        } else if (op == GetUrl) {
            const QByteArray url = record.cString();
            if (record.ok()) take(url);
        }
        c.skip(length);
    }
}

void ActionStrings::fromAbc(const QByteArray &abc, const Take &take) {
    Cursor c(abc, 0, abc.size());
    c.skip(4); // minor and major version
    // Each pool's count is one more than its entries; every entry takes at
    // least a byte, so a hostile count ends with the data.
    for (quint32 n = c.u30(); n > 1 && c.ok(); --n) // integers
        c.u30();
    for (quint32 n = c.u30(); n > 1 && c.ok(); --n) // unsigned integers
        c.u30();
    const quint32 doubles = c.u30();
    if (doubles > 1) c.skip(qsizetype(doubles - 1) * 8);
    for (quint32 n = c.u30(); n > 1 && c.ok(); --n) {
        const QByteArray text = c.bytes(c.u30());
        if (c.ok()) take(text);
    }
}
