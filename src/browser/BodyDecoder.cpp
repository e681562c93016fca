#include "browser/BodyDecoder.h"

#include <QFileDevice>
#include <QIODevice>
#include <brotli/decode.h>
#include <memory>
#include <zlib.h>

namespace BodyDecoder {

namespace {
constexpr qint64 kBlock = 64 * 1024;

// One decoding step: takes input, gives at most about kMaxStep bytes of
// output at a time, says how much input it left and whether more output waits.
constexpr qsizetype kMaxStep = 16 * kBlock;

class Decoder {
public:
    virtual ~Decoder() = default;
    // Appends what `input` decodes to; false on damaged data.
    virtual bool feed(const QByteArray &input, QByteArray &output) = 0;
    virtual bool finished() const = 0;
    qsizetype rest() const { return m_rest; } // input bytes not taken by the last feed
    bool more() const { return m_more; }      // output waits without further input

protected:
    qsizetype m_rest = 0;
    bool m_more = false;
};

class Identity : public Decoder {
public:
    bool feed(const QByteArray &input, QByteArray &output) override {
        output += input;
        return true;
    }
    bool finished() const override { return true; }
};

class Inflate : public Decoder {
public:
    explicit Inflate(int windowBits) { m_ok = inflateInit2(&m_stream, windowBits) == Z_OK; }
    ~Inflate() override { inflateEnd(&m_stream); }
    bool feed(const QByteArray &input, QByteArray &output) override {
        if (!m_ok) return false;
        m_stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.constData()));
        m_stream.avail_in = uInt(input.size());
        m_more = false;
        char buffer[kBlock];
        while (!m_done) {
            m_stream.next_out = reinterpret_cast<Bytef *>(buffer);
            m_stream.avail_out = sizeof buffer;
            const int rc = inflate(&m_stream, Z_NO_FLUSH);
            output.append(buffer, qsizetype(sizeof buffer - m_stream.avail_out));
            if (rc == Z_STREAM_END) {
                m_done = true;
            } else if (rc == Z_BUF_ERROR) {
                if (m_stream.avail_in != 0) return false;
                break; // needs more input
            } else if (rc != Z_OK) {
                return false;
            } else if (m_stream.avail_in == 0 && m_stream.avail_out != 0) {
                break;
            } else if (output.size() >= kMaxStep) {
                m_more = m_stream.avail_in == 0; // the caller writes first, then drains
                break;
            }
        }
        m_rest = m_done ? 0 : qsizetype(m_stream.avail_in); // bytes behind the end are ignored
        return true;
    }
    bool finished() const override { return m_done; }

private:
    z_stream m_stream{};
    bool m_ok = false;
    bool m_done = false;
};

class Brotli : public Decoder {
public:
    Brotli() : m_state(BrotliDecoderCreateInstance(nullptr, nullptr, nullptr)) {}
    ~Brotli() override { BrotliDecoderDestroyInstance(m_state); }
    bool feed(const QByteArray &input, QByteArray &output) override {
        if (!m_state) return false;
        size_t availIn = size_t(input.size());
        const uint8_t *nextIn = reinterpret_cast<const uint8_t *>(input.constData());
        m_more = false;
        for (;;) {
            uint8_t buffer[kBlock];
            size_t availOut = sizeof buffer;
            uint8_t *nextOut = buffer;
            const BrotliDecoderResult rc = BrotliDecoderDecompressStream(
                m_state, &availIn, &nextIn, &availOut, &nextOut, nullptr);
            output.append(reinterpret_cast<const char *>(buffer),
                          qsizetype(sizeof buffer - availOut));
            if (rc == BROTLI_DECODER_RESULT_ERROR) return false;
            if (rc == BROTLI_DECODER_RESULT_SUCCESS) {
                m_done = true;
                break;
            }
            if (rc == BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT) break;
            if (output.size() >= kMaxStep) {
                m_more = availIn == 0;
                break;
            }
        }
        m_rest = m_done ? 0 : qsizetype(availIn);
        return true;
    }
    bool finished() const override { return m_done; }

private:
    BrotliDecoderState *m_state;
    bool m_done = false;
};

std::unique_ptr<Decoder> makeDecoder(const QByteArray &encoding, bool rawDeflate) {
    if (encoding.isEmpty() || encoding == "identity") return std::make_unique<Identity>();
    if (encoding == "gzip" || encoding == "x-gzip") return std::make_unique<Inflate>(15 + 16);
    if (encoding == "deflate") return std::make_unique<Inflate>(rawDeflate ? -15 : 15);
    if (encoding == "br") return std::make_unique<Brotli>();
    return nullptr;
}

QString run(QIODevice &in, qint64 offset, qint64 length, const QByteArray &encoding,
            bool rawDeflate, QIODevice &out, qint64 maxOutput) {
    std::unique_ptr<Decoder> decoder = makeDecoder(encoding, rawDeflate);
    if (!decoder)
        return QStringLiteral("unknown content encoding \"%1\"").arg(QString::fromLatin1(encoding));
    if (offset < 0 || length < 0 || offset > in.size() || length > in.size() - offset ||
        !in.seek(offset))
        return QStringLiteral("the cached body lies outside its entry file");
    qint64 left = length, written = 0;
    QByteArray output;
    while (left > 0) {
        const QByteArray input = in.read(qMin(left, kBlock));
        if (input.isEmpty()) return QStringLiteral("the cache entry could not be read");
        left -= input.size();
        QByteArray pending = input;
        do {
            output.clear();
            if (!decoder->feed(pending, output))
                return QStringLiteral("the cached body is damaged");
            pending = pending.right(decoder->rest());
            written += output.size();
            if (written > maxOutput) return QStringLiteral("the decoded body is too large");
            if (out.write(output) != output.size())
                return out.errorString().isEmpty() ? QStringLiteral("write failed")
                                                   : out.errorString();
        } while (!pending.isEmpty() || decoder->more());
    }
    if (!decoder->finished()) return QStringLiteral("the cached body is incomplete");
    return {};
}
} // namespace

bool supports(const QByteArray &contentEncoding) {
    return makeDecoder(contentEncoding, false) != nullptr;
}

QString decode(QIODevice &in, qint64 offset, qint64 length, const QByteArray &contentEncoding,
               QIODevice &out, qint64 maxOutput) {
    const qint64 start = out.pos();
    QString error = run(in, offset, length, contentEncoding, false, out, maxOutput);
    if (!error.isEmpty() && contentEncoding == "deflate") {
        // Some servers send raw deflate data under that name.
        auto *file = qobject_cast<QFileDevice *>(&out);
        if (out.seek(start) && (!file || file->resize(start)))
            error = run(in, offset, length, contentEncoding, true, out, maxOutput);
    }
    return error;
}

} // namespace BodyDecoder
