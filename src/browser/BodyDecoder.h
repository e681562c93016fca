#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QIODevice;

// Copies a cached response body out of its entry file, undoing the
// Content-Encoding the stored headers name ("", "identity", "gzip",
// "x-gzip", "deflate", "br"). Streams in blocks: memory stays small whatever
// the body's size, and the decoded output is bounded.
namespace BodyDecoder {

constexpr qint64 kMaxOutput = qint64(1) << 31; // 2 GiB: larger results are refused

bool supports(const QByteArray &contentEncoding);

// Reads `length` bytes at `offset` of `in` and writes them, decoded, to
// `out`, at most `maxOutput` bytes. Empty on success, else the reason.
QString decode(QIODevice &in, qint64 offset, qint64 length, const QByteArray &contentEncoding,
               QIODevice &out, qint64 maxOutput = kMaxOutput);

} // namespace BodyDecoder
