#pragma once

#include <QByteArray>
#include <QtEndian>
#include <brotli/encode.h>
#include <zlib.h>

// Entry files in the two browsers' cache formats, for tests that need a cache
// without a browser.
namespace CacheEntryWriter {

template <typename T> QByteArray raw(T v) {
    return QByteArray(reinterpret_cast<const char *>(&v), sizeof v);
}
inline QByteArray le32(quint32 v) {
    return raw(qToLittleEndian(v));
}
inline QByteArray le64(quint64 v) {
    return raw(qToLittleEndian(v));
}
inline QByteArray be32(quint32 v) {
    return raw(qToBigEndian(v));
}

// A Chromium entry: `head` holds the header lines separated by "\n", stored
// NUL-separated inside a serialised record as the browser does.
inline QByteArray chromium(const QByteArray &key, const QByteArray &body, const QByteArray &head,
                           bool keyHash = true) {
    QByteArray out =
        le64(0xfcfb6d1ba7725c30ULL) + le32(5) + le32(quint32(key.size())) + le32(0x1234) + le32(0);
    out += key + body;
    out += le64(0xf4fa6f45970d41d8ULL) + le32(1) + le32(0) + le32(0) + le32(0);
    QByteArray lines = head;
    lines.replace('\n', '\0');
    const QByteArray record = le32(0) + le32(0x10) + le64(1) + le64(2) +
                              le32(quint32(lines.size() + 2)) + lines + QByteArray(2, '\0') +
                              "127.0.0.1";
    out += record;
    if (keyHash) out += QByteArray(32, 'h');
    out += le64(0xf4fa6f45970d41d8ULL) + le32(keyHash ? 3 : 1) + le32(0) +
           le32(quint32(record.size())) + le32(0);
    return out;
}

// A Firefox entry: `head` becomes the "response-head" element, lines ending in CR LF.
inline QByteArray firefox(const QByteArray &key, const QByteArray &body, const QByteArray &head,
                          quint32 version = 4) {
    QByteArray out = body;
    out += be32(0xabcd1234);
    const int hashes = int((body.size() + 256 * 1024 - 1) / (256 * 1024));
    out += QByteArray(2 * hashes, 'x');
    out += be32(version) + be32(1) + be32(2) + be32(3) + be32(4) + be32(5);
    out += be32(quint32(key.size()));
    if (version >= 2) out += be32(0);
    out += key + '\0';
    QByteArray lines = head;
    lines.replace("\n", "\r\n");
    out += QByteArray("request-method\0GET\0response-head\0", 33) + lines + "\r\n" + '\0';
    out += QByteArray("\0\0\0\x04", 4);
    out += be32(quint32(body.size()));
    return out;
}

// A body compressed as a server sends it: windowBits 15 + 16 gzip, 15 zlib,
// -15 raw deflate.
inline QByteArray zlibCompress(const QByteArray &data, int windowBits) {
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&s, uLong(data.size())) + 32), '\0');
    s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef *>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(qsizetype(s.total_out));
    deflateEnd(&s);
    return out;
}

// The same with brotli ("br"); the test links libbrotlienc.
inline QByteArray brotliCompress(const QByteArray &data) {
    size_t size = BrotliEncoderMaxCompressedSize(size_t(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    BrotliEncoderCompress(5, 22, BROTLI_MODE_GENERIC, size_t(data.size()),
                          reinterpret_cast<const uint8_t *>(data.constData()), &size,
                          reinterpret_cast<uint8_t *>(out.data()));
    out.resize(qsizetype(size));
    return out;
}

} // namespace CacheEntryWriter
