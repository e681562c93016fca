#include "movies/SwfSource.h"

#include "base/SwfMovie.h"
#include "movies/Adler32.h"

#include <QIODevice>
#include <QtEndian>
#include <lzma.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {
constexpr qint64 kInChunk = 128 * 1024;
// After a seek the file is read in small pieces at first: a tag header is
// what is wanted there, not the data of the next tag.
constexpr qint64 kFirstFill = 4 * 1024;
constexpr qint64 kOutChunk = 256 * 1024;
constexpr int kLzmaHeader = 9; // compressed length and the 5 property bytes
} // namespace

// One streaming decoder: zlib or raw LZMA.
class SwfSource::Decoder {
public:
    enum Status { Going, Ended, Failed };
    virtual ~Decoder() = default;
    // Decodes from `in` into `out`; `used` and `made` say how far.
    virtual Status run(const uchar *in, size_t inLen, size_t *used, uchar *out, size_t outLen,
                       size_t *made, QString *error) = 0;
};

namespace {

class ZlibDecoder : public SwfSource::Decoder {
public:
    ZlibDecoder() {
        m_ok = inflateInit(&m_z) == Z_OK;
        // zlib's own Adler-32 costs more than inflating stored (incompressible)
        // data; the check is done here, faster, with zlib's verdict text.
        m_check = m_ok && inflateValidate(&m_z, 0) == Z_OK;
    }
    ~ZlibDecoder() override {
        if (m_ok) inflateEnd(&m_z);
    }
    Status run(const uchar *in, size_t inLen, size_t *used, uchar *out, size_t outLen, size_t *made,
               QString *error) override {
        if (!m_ok) {
            *error = QStringLiteral("zlib cannot start");
            return Failed;
        }
        m_z.next_in = const_cast<Bytef *>(in);
        m_z.avail_in = uInt(qMin<size_t>(inLen, 1u << 30));
        m_z.next_out = out;
        m_z.avail_out = uInt(qMin<size_t>(outLen, 1u << 30));
        const int rc = inflate(&m_z, Z_NO_FLUSH);
        *used = size_t(m_z.next_in - in);
        *made = size_t(m_z.next_out - out);
        if (m_check) {
            m_adler = adler32Update(m_adler, out, *made);
            for (size_t i = *used > 4 ? *used - 4 : 0; i < *used; ++i)
                m_trailer = m_trailer << 8 | in[i];
        }
        if (rc == Z_STREAM_END && m_check && m_trailer != m_adler) {
            *error = QStringLiteral("incorrect data check");
            return Failed;
        }
        if (rc == Z_STREAM_END) return Ended;
        if (rc == Z_OK || rc == Z_BUF_ERROR) return Going;
        *error = QString::fromLatin1(m_z.msg ? m_z.msg : "bad data");
        return Failed;
    }

private:
    z_stream m_z{};
    bool m_ok = false;
    bool m_check = false;  // the checksum is compared here, not by zlib
    quint32 m_adler = 1;   // of the bytes inflated so far
    quint32 m_trailer = 0; // the last 4 bytes consumed: at the end, the stored checksum
};

class LzmaDecoder : public SwfSource::Decoder {
public:
    // `props` are the 5 property bytes; `size` the uncompressed size the
    // header gives (the stream may or may not carry an end marker);
    // `compressed` the bytes the stream can have at most.
    LzmaDecoder(const uchar *props, quint64 size, quint64 compressed) {
        lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
        if (lzma_properties_decode(&filters[0], nullptr, props, 5) != LZMA_OK) return;
        auto *options = static_cast<lzma_options_lzma *>(filters[0].options);
        options->dict_size = swfLzmaDictionary(options->dict_size, size, compressed);
        options->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
        lzma_set_ext_size(*options, size);
        m_ok = lzma_raw_decoder(&m_s, filters) == LZMA_OK;
        free(filters[0].options);
    }
    ~LzmaDecoder() override { lzma_end(&m_s); }
    Status run(const uchar *in, size_t inLen, size_t *used, uchar *out, size_t outLen, size_t *made,
               QString *error) override {
        if (!m_ok) {
            *error = QStringLiteral("bad LZMA properties");
            return Failed;
        }
        m_s.next_in = in;
        m_s.avail_in = inLen;
        m_s.next_out = out;
        m_s.avail_out = outLen;
        const lzma_ret rc = lzma_code(&m_s, LZMA_RUN);
        *used = size_t(m_s.next_in - in);
        *made = size_t(m_s.next_out - out);
        if (rc == LZMA_STREAM_END) return Ended;
        if (rc == LZMA_OK || rc == LZMA_BUF_ERROR) return Going;
        *error = rc == LZMA_MEM_ERROR || rc == LZMA_MEMLIMIT_ERROR ? QStringLiteral("out of memory")
                                                                   : QStringLiteral("bad data");
        return Failed;
    }

private:
    lzma_stream m_s = LZMA_STREAM_INIT;
    bool m_ok = false;
};

bool looksLikeMarkup(const QByteArray &head) {
    const QByteArray text = head.startsWith("\xEF\xBB\xBF") ? head.mid(3) : head;
    return text.trimmed().startsWith('<');
}

} // namespace

SwfSource::SwfSource(QIODevice &file) : m_file(file), m_in(int(kInChunk), '\0'), m_fill(kInChunk) {}

SwfSource::~SwfSource() = default;

bool SwfSource::fillInput() {
    m_inPos = 0;
    m_inLen = m_fileEnded ? 0 : m_file.read(m_in.data(), qMin<qint64>(m_fill, m_in.size()));
    m_fill = qMin(m_fill * 2, kInChunk);
    if (m_inLen <= 0) {
        m_inLen = 0;
        m_fileEnded = true;
    }
    return m_inLen > 0;
}

bool SwfSource::open() {
    fillInput();
    const QByteArray head = QByteArray::fromRawData(m_in.constData(), int(m_inLen));
    if (m_inLen == 0) {
        m_problem = QStringLiteral("empty file");
        return false;
    }
    const char sig = head.at(0);
    const bool known = (sig == 'F' || sig == 'C' || sig == 'Z') && head.mid(1, 2) == "WS";
    if (!known) {
        m_problem = looksLikeMarkup(head.left(512))
                        ? QStringLiteral("not a Flash movie (the file holds an HTML page)")
                        : QStringLiteral("not a Flash movie");
        return false;
    }
    const int headerSize = sig == 'Z' ? 8 + kLzmaHeader : 8;
    if (m_inLen < headerSize) {
        m_problem = QStringLiteral("header cut short");
        return false;
    }
    const auto *bytes = reinterpret_cast<const uchar *>(m_in.constData());
    m_signature = sig;
    m_version = bytes[3];
    m_declared = qFromLittleEndian<quint32>(bytes + 4);
    m_fileSize = m_file.size();
    const quint64 body = m_declared >= 8 ? m_declared - 8 : 0;
    if (sig == 'C') m_decoder = std::make_unique<ZlibDecoder>();
    if (sig == 'Z') {
        const quint64 compressed = m_file.isSequential()
                                       ? std::numeric_limits<quint64>::max()
                                       : quint64(qMax<qint64>(0, m_fileSize - headerSize));
        m_decoder = std::make_unique<LzmaDecoder>(bytes + 12, body, compressed);
    }
    m_inPos = headerSize;
    if (m_decoder) m_out.resize(int(kOutChunk));
    return true;
}

qint64 SwfSource::read(char *out, qint64 n) {
    return pull(out, n);
}

qint64 SwfSource::skip(qint64 n) {
    return pull(nullptr, n);
}

qint64 SwfSource::pull(char *out, qint64 n) {
    n = qMax<qint64>(0, qMin(n, m_limit - m_position));
    if (!m_decoder) return pullPlain(out, n);
    qint64 total = 0;
    while (total < n) {
        if (m_outPos == m_outLen && !decodeMore()) break;
        const qint64 take = qMin(n - total, m_outLen - m_outPos);
        if (out) std::memcpy(out + total, m_out.constData() + m_outPos, size_t(take));
        m_outPos += take;
        total += take;
    }
    m_position += total;
    return total;
}

qint64 SwfSource::pullPlain(char *out, qint64 n) {
    qint64 total = 0;
    while (total < n) {
        if (m_inPos < m_inLen) {
            const qint64 take = qMin(n - total, m_inLen - m_inPos);
            if (out) std::memcpy(out + total, m_in.constData() + m_inPos, size_t(take));
            m_inPos += take;
            total += take;
            continue;
        }
        if (!out && !m_fileEnded) {
            // Past the buffer: seek over what the file holds.
            const qint64 want = n - total;
            const qint64 jump = qMin(want, qMax<qint64>(0, m_fileSize - m_file.pos()));
            m_file.seek(m_file.pos() + jump);
            total += jump;
            if (jump < want) m_fileEnded = true;
            m_fill = kFirstFill;
            continue;
        }
        if (!fillInput()) break;
    }
    m_position += total;
    if (total < n) m_end = End::Clean;
    return total;
}

bool SwfSource::decodeMore() {
    m_outPos = m_outLen = 0;
    while (m_end == End::More) {
        const qint64 room = qMin<qint64>(m_out.size(), m_limit - m_decoded);
        if (room <= 0) {
            m_end = End::Limit;
            return false;
        }
        if (m_inPos == m_inLen) fillInput();
        size_t used = 0, made = 0;
        const auto status = m_decoder->run(
            reinterpret_cast<const uchar *>(m_in.constData()) + m_inPos, size_t(m_inLen - m_inPos),
            &used, reinterpret_cast<uchar *>(m_out.data()), size_t(room), &made, &m_damage);
        m_inPos += qint64(used);
        m_outLen = qint64(made);
        m_decoded += m_outLen;
        if (status == Decoder::Ended)
            m_end = End::Clean;
        else if (status == Decoder::Failed)
            m_end = End::Damaged;
        else if (used == 0 && made == 0 && m_inPos == m_inLen && m_fileEnded)
            m_end = End::Short;
        else if (used == 0 && made == 0 && m_inPos < m_inLen)
            m_end = End::Damaged; // a decoder that neither reads nor writes
        if (m_outLen > 0) return true;
    }
    return false;
}
