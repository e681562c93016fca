#include "engine/ContentDecoder.h"

#include <brotli/decode.h>
#include <zlib.h>

namespace {

class Identity : public ContentDecoder {
public:
    bool decode(QByteArrayView &in, QByteArray &out, qsizetype maxOut) override {
        const qsizetype n = qMin(in.size(), maxOut);
        out.append(in.data(), n);
        in = in.sliced(n);
        return true;
    }
    bool finished() const override { return false; }
};

// gzip (several members in a row included) or deflate, zlib-wrapped or raw:
// servers send both under "deflate".
class Inflate : public ContentDecoder {
public:
    explicit Inflate(bool gzip) : m_gzip(gzip) {}
    ~Inflate() override {
        if (m_started) inflateEnd(&m_stream);
    }
    bool decode(QByteArrayView &in, QByteArray &out, qsizetype maxOut) override {
        if (m_done) {
            if (!m_gzip || in.isEmpty() || quint8(in[0]) != 0x1f) {
                in = {}; // trailing bytes
                return true;
            }
            inflateReset(&m_stream); // another gzip member follows
            m_done = false;
        }
        if (!m_started) {
            // A deflate stream's wrapper is told by its first two bytes.
            const qsizetype take = qMin<qsizetype>(in.size(), 2 - m_head.size());
            m_head += in.first(take);
            in = in.sliced(take);
            if (m_head.size() < 2) return true;
            if (!start()) return false;
            QByteArrayView head(m_head);
            if (!step(head, out, maxOut)) return false;
            if (!head.isEmpty()) return false; // two bytes are always taken
        }
        return step(in, out, maxOut);
    }
    bool finished() const override { return m_done; }

private:
    bool step(QByteArrayView &in, QByteArray &out, qsizetype maxOut) {
        if (in.isEmpty() || m_done) return true;
        const qsizetype base = out.size();
        out.resize(base + maxOut);
        m_stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
        m_stream.avail_in = uInt(qMin<qsizetype>(in.size(), 1 << 30));
        m_stream.next_out = reinterpret_cast<Bytef *>(out.data() + base);
        m_stream.avail_out = uInt(maxOut);
        const uInt before = m_stream.avail_in;
        const int rc = inflate(&m_stream, Z_NO_FLUSH);
        in = in.sliced(before - m_stream.avail_in);
        out.resize(base + maxOut - qsizetype(m_stream.avail_out));
        if (rc == Z_STREAM_END) m_done = true;
        return rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR;
    }

    bool start() {
        int bits = 15 + 16; // gzip
        if (!m_gzip) {
            const quint8 cmf = quint8(m_head[0]), flg = quint8(m_head[1]);
            const bool wrapped = (cmf & 0x0f) == 8 && (cmf * 256 + flg) % 31 == 0;
            bits = wrapped ? 15 : -15;
        }
        m_started = inflateInit2(&m_stream, bits) == Z_OK;
        return m_started;
    }

    z_stream m_stream{};
    bool m_gzip;
    bool m_started = false;
    QByteArray m_head; // the first two bytes, until the stream starts
    bool m_done = false;
};

class Brotli : public ContentDecoder {
public:
    Brotli() : m_state(BrotliDecoderCreateInstance(nullptr, nullptr, nullptr)) {}
    ~Brotli() override { BrotliDecoderDestroyInstance(m_state); }
    bool decode(QByteArrayView &in, QByteArray &out, qsizetype maxOut) override {
        if (!m_state) return false;
        if (m_done) {
            in = {};
            return true;
        }
        const qsizetype base = out.size();
        out.resize(base + maxOut);
        size_t availIn = size_t(in.size());
        const uint8_t *nextIn = reinterpret_cast<const uint8_t *>(in.data());
        size_t availOut = size_t(maxOut);
        uint8_t *nextOut = reinterpret_cast<uint8_t *>(out.data() + base);
        const BrotliDecoderResult rc =
            BrotliDecoderDecompressStream(m_state, &availIn, &nextIn, &availOut, &nextOut, nullptr);
        in = in.sliced(in.size() - qsizetype(availIn));
        out.resize(base + maxOut - qsizetype(availOut));
        if (rc == BROTLI_DECODER_RESULT_SUCCESS) m_done = true;
        return rc != BROTLI_DECODER_RESULT_ERROR;
    }
    bool finished() const override { return m_done; }

private:
    BrotliDecoderState *m_state;
    bool m_done = false;
};

QByteArray normalised(QByteArrayView coding) {
    return coding.toByteArray().trimmed().toLower();
}

} // namespace

bool ContentDecoder::IsIdentity(QByteArrayView coding) {
    const QByteArray c = normalised(coding);
    return c.isEmpty() || c == "identity" || c == "none";
}

std::unique_ptr<ContentDecoder> ContentDecoder::Create(QByteArrayView coding) {
    const QByteArray c = normalised(coding);
    if (IsIdentity(c)) return std::make_unique<Identity>();
    if (c == "gzip" || c == "x-gzip") return std::make_unique<Inflate>(true);
    if (c == "deflate") return std::make_unique<Inflate>(false);
    if (c == "br") return std::make_unique<Brotli>();
    return nullptr;
}
