#pragma once

#include "FuzzInput.h"

#include "browser/BodyDecoder.h"
#include "browser/CacheEntry.h"

#include <QBuffer>
#include <QIODevice>

// Shared by the cache entry targets: reads one entry from the input with
// `reader` and, when it is taken, decodes its body into a sink.
namespace CacheFuzz {

// Counts what is written and keeps nothing.
class Sink : public QIODevice {
public:
    Sink() { open(QIODevice::WriteOnly); }
    qint64 written = 0;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 length) override {
        written += length;
        return length;
    }
};

template <class Reader> void run(const uint8_t *data, size_t size, Reader reader) {
    QBuffer file;
    file.setData(FuzzInput::bytes(data, size));
    file.open(QIODevice::ReadOnly);
    CacheEntry entry;
    if (!reader(file, entry)) return;
    FuzzInput::require(entry.bodyOffset >= 0 && entry.bodyLength >= 0 &&
                           entry.bodyOffset + entry.bodyLength <= qint64(size),
                       "body outside the entry file");
    FuzzInput::require(qint64(entry.key.size()) <= qint64(size), "key longer than the file");
    Sink sink;
    const qint64 limit = qint64(64) << 20;
    const QString error = BodyDecoder::decode(file, entry.bodyOffset, entry.bodyLength,
                                              entry.contentEncoding, sink, limit);
    FuzzInput::require(sink.written <= limit + (qint64(1) << 20), "decoded past the limit");
    if (error.isEmpty() && BodyDecoder::supports(entry.contentEncoding) &&
        (entry.contentEncoding.isEmpty() || entry.contentEncoding == "identity"))
        FuzzInput::require(sink.written == entry.bodyLength, "plain body not copied whole");
}

} // namespace CacheFuzz
