#include "browser/FirefoxCacheEntry.h"

#include <QIODevice>
#include <QtEndian>

namespace FirefoxCacheEntry {

namespace {
quint32 u32(const QByteArray &bytes, qint64 at) {
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

// The body length an "alt-data" element gives ("1;<offset>,..."); -1 when
// there is none.
qint64 altDataOffset(const QByteArray &value) {
    const qsizetype semicolon = value.indexOf(';');
    if (semicolon < 0) return -1;
    qsizetype stop = value.indexOf(',', semicolon);
    if (stop < 0) stop = value.size();
    bool ok = false;
    const qint64 offset = value.mid(semicolon + 1, stop - semicolon - 1).toLongLong(&ok);
    return ok ? offset : -1;
}
} // namespace

bool read(QIODevice &file, CacheEntry &entry) {
    const qint64 size = file.size();
    if (size < 4 || !file.seek(size - 4)) return false;
    const QByteArray tail = file.read(4);
    if (tail.size() != 4) return false;
    const qint64 metaAt = u32(tail, 0);
    const qint64 metaLength = size - 4 - metaAt;
    if (metaAt > size - 4 || metaLength > kMaxMetadata || !file.seek(metaAt)) return false;
    const QByteArray meta = file.read(metaLength);
    if (meta.size() != metaLength) return false;

    const qint64 hashes = (metaAt + kChunkSize - 1) / kChunkSize;
    const qint64 headerAt = 4 + 2 * hashes;
    if (headerAt + 8 > metaLength) return false;
    const quint32 version = u32(meta, headerAt);
    if (version < 1 || version > kMaxVersion) return false;
    const qint64 headerSize = version == 1 ? 28 : 32;
    if (headerAt + headerSize > metaLength) return false;
    const qint64 keySize = u32(meta, headerAt + 24);
    const qint64 keyAt = headerAt + headerSize;
    if (keySize > metaLength - keyAt - 1 || meta.at(keyAt + keySize) != '\0') return false;

    CacheEntry found;
    found.key = meta.mid(keyAt, keySize);
    found.bodyOffset = 0;
    found.bodyLength = metaAt;
    qint64 at = keyAt + keySize + 1;
    while (at < metaLength) {
        // The pairs end at an empty name or where no whole pair is left
        // (newer versions put a few bytes of their own behind them).
        const qsizetype nameEnd = meta.indexOf('\0', at);
        if (nameEnd <= at) break;
        const qsizetype valueEnd = meta.indexOf('\0', nameEnd + 1);
        if (valueEnd < 0) break;
        const QByteArray name = meta.mid(at, nameEnd - at);
        const QByteArray value = meta.mid(nameEnd + 1, valueEnd - nameEnd - 1);
        if (name == "response-head") {
            readResponseHead(value, found);
        } else if (name == "alt-data") {
            const qint64 offset = altDataOffset(value);
            if (offset >= 0 && offset <= metaAt) found.bodyLength = offset;
        }
        at = valueEnd + 1;
    }
    found.browser = entry.browser;
    found.path = entry.path;
    entry = found;
    return true;
}

} // namespace FirefoxCacheEntry
