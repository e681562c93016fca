#include "browser/ChromiumCacheEntry.h"

#include <QIODevice>
#include <QtEndian>

namespace ChromiumCacheEntry {

namespace {
constexpr quint32 kFlagKeySha256 = 2;
constexpr qint64 kKeySha256Size = 32;

bool readAt(QIODevice &file, qint64 offset, qint64 length, QByteArray &out) {
    if (offset < 0 || length < 0 || offset > file.size() || length > file.size() - offset)
        return false;
    if (!file.seek(offset)) return false;
    out = file.read(length);
    return out.size() == length;
}
quint32 u32(const QByteArray &bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
quint64 u64(const QByteArray &bytes, int at) {
    return qFromLittleEndian<quint64>(bytes.constData() + at);
}
} // namespace

bool readKey(QIODevice &file, QByteArray &key) {
    QByteArray header;
    if (!readAt(file, 0, kHeaderSize, header) || u64(header, 0) != kHeaderMagic) return false;
    const qint64 keyLength = u32(header, 12);
    if (keyLength == 0 || keyLength > kMaxKey) return false;
    return readAt(file, kHeaderSize, keyLength, key);
}

bool read(QIODevice &file, CacheEntry &entry) {
    QByteArray key;
    if (!readKey(file, key)) return false;
    const qint64 size = file.size();
    QByteArray end;
    const qint64 endAt = size - kEndSize;
    if (!readAt(file, endAt, kEndSize, end) || u64(end, 0) != kEndMagic) return false;
    const qint64 headLength = u32(end, 16);
    const qint64 hashLength = (u32(end, 8) & kFlagKeySha256) ? kKeySha256Size : 0;
    if (headLength > kMaxHead) return false;
    const qint64 headAt = endAt - hashLength - headLength;
    const qint64 bodyAt = kHeaderSize + key.size();
    const qint64 bodyEndAt = headAt - kEndSize; // where the body's end record lies
    if (bodyEndAt < bodyAt) return false;
    QByteArray bodyEnd, head;
    if (!readAt(file, bodyEndAt, kEndSize, bodyEnd) || u64(bodyEnd, 0) != kEndMagic) return false;
    if (!readAt(file, headAt, headLength, head)) return false;

    CacheEntry found;
    found.key = key;
    found.bodyOffset = bodyAt;
    found.bodyLength = bodyEndAt - bodyAt;
    // The stored response is a serialised record; its headers begin at the
    // status line.
    const qsizetype status = head.indexOf("HTTP/");
    if (status >= 0) {
        qsizetype stop = head.indexOf(QByteArray("\0\0", 2), status);
        if (stop < 0) stop = head.size();
        readResponseHead(head.mid(status, stop - status), found);
    }
    found.browser = entry.browser;
    found.path = entry.path;
    entry = found;
    return true;
}

} // namespace ChromiumCacheEntry
