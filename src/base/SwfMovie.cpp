#include "base/SwfMovie.h"

#include <QtEndian>
#include <lzma.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kFileAttributes = 69;
constexpr int kDoAction = 12;
constexpr qsizetype kHeaderPrefix = 64; // enough body for the stage, rate, count and first tag

quint16 le16(const QByteArray &b, qsizetype at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar *>(b.constData()) + at);
}

quint32 le32(const QByteArray &b, qsizetype at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(b.constData()) + at);
}

// Inflates `in` until `limit` bytes came out or the stream ended; sets `ok`
// false when the data broke off with an error before that.
QByteArray inflateUpTo(const char *in, qsizetype size, qsizetype limit, bool *ok) {
    QByteArray out;
    z_stream z{};
    *ok = false;
    if (inflateInit(&z) != Z_OK) return out;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in));
    z.avail_in = static_cast<uInt>(size);
    int rc = Z_OK;
    while (out.size() < limit && rc == Z_OK) {
        const qsizetype done = out.size();
        const qsizetype chunk = qMin<qsizetype>(limit - done, 1 << 20);
        out.resize(done + chunk);
        z.next_out = reinterpret_cast<Bytef *>(out.data() + done);
        z.avail_out = static_cast<uInt>(chunk);
        rc = inflate(&z, Z_NO_FLUSH);
        out.resize(done + chunk - z.avail_out);
        if (rc == Z_BUF_ERROR && z.avail_in == 0) break; // input ran out
    }
    inflateEnd(&z);
    *ok = rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR;
    return out;
}

// The same for the raw LZMA stream of a "ZWS" movie with its 5 property bytes.
QByteArray lzmaUpTo(const char *props, const char *in, qsizetype size, qsizetype limit, bool *ok) {
    QByteArray out;
    *ok = false;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (lzma_properties_decode(&filters[0], nullptr, reinterpret_cast<const uint8_t *>(props), 5) !=
        LZMA_OK)
        return out;
    auto *options = static_cast<lzma_options_lzma *>(filters[0].options);
    options->dict_size = swfLzmaDictionary(options->dict_size, quint64(limit), quint64(size));
    lzma_stream s = LZMA_STREAM_INIT;
    const lzma_ret init = lzma_raw_decoder(&s, filters);
    free(filters[0].options);
    if (init != LZMA_OK) return out;
    s.next_in = reinterpret_cast<const uint8_t *>(in);
    s.avail_in = static_cast<size_t>(size);
    lzma_ret rc = LZMA_OK;
    while (out.size() < limit && rc == LZMA_OK) {
        const qsizetype done = out.size();
        const qsizetype chunk = qMin<qsizetype>(limit - done, 1 << 20);
        out.resize(done + chunk);
        s.next_out = reinterpret_cast<uint8_t *>(out.data() + done);
        s.avail_out = static_cast<size_t>(chunk);
        rc = lzma_code(&s, LZMA_RUN);
        out.resize(done + chunk - static_cast<qsizetype>(s.avail_out));
        if (rc == LZMA_OK && s.avail_in == 0 && s.avail_out > 0) break; // input ran out
    }
    lzma_end(&s);
    *ok = rc == LZMA_OK || rc == LZMA_STREAM_END || rc == LZMA_BUF_ERROR;
    return out;
}

// The bytes after the 8-byte header, decompressed up to `limit` bytes.
QByteArray bodyOf(const QByteArray &bytes, qsizetype limit, QString *error) {
    const char sig = bytes.at(0);
    if (sig == 'F') return bytes.mid(8, limit);
    bool ok = false;
    QByteArray body;
    if (sig == 'C') {
        body = inflateUpTo(bytes.constData() + 8, bytes.size() - 8, limit, &ok);
    } else {
        if (bytes.size() < 17) {
            *error = QStringLiteral("truncated header");
            return {};
        }
        body =
            lzmaUpTo(bytes.constData() + 12, bytes.constData() + 17, bytes.size() - 17, limit, &ok);
    }
    if (!ok) *error = QStringLiteral("damaged compressed data");
    return ok ? body : QByteArray();
}

bool knownSignature(const QByteArray &bytes) {
    return bytes.size() >= 8 && (bytes[0] == 'F' || bytes[0] == 'C' || bytes[0] == 'Z') &&
           bytes[1] == 'W' && bytes[2] == 'S';
}

struct Tag {
    int code = -1;
    qsizetype start = 0; // offset of the tag header
    qsizetype end = 0;   // offset after the tag
    qsizetype data = 0;  // offset of the tag's data
};

// The tag starting at `at`, or code -1 when it does not fit in `body`.
Tag tagAt(const QByteArray &body, qsizetype at) {
    Tag t;
    if (at < 0 || at + 2 > body.size()) return t;
    const quint16 head = le16(body, at);
    qsizetype length = head & 0x3f;
    qsizetype data = at + 2;
    if (length == 0x3f) {
        if (at + 6 > body.size()) return t;
        length = le32(body, at + 2);
        data = at + 6;
    }
    if (length > body.size() - data) return t;
    t.code = head >> 6;
    t.start = at;
    t.data = data;
    t.end = data + length;
    return t;
}

SwfHeader readFrom(const QByteArray &bytes, const QByteArray &body, qsizetype *firstTag) {
    SwfHeader h;
    h.signature = bytes[0];
    h.version = static_cast<uchar>(bytes[3]);
    h.fileLength = le32(bytes, 4);
    const qsizetype tags = readSwfFrameHeader(body, h);
    if (tags < 0) {
        h.error = QStringLiteral("truncated header");
        return h;
    }
    const Tag first = tagAt(body, tags);
    if (first.code == kFileAttributes && first.end - first.data >= 1)
        h.actionScript3 = static_cast<uchar>(body[first.data]) & 0x08;
    h.valid = true;
    if (firstTag) *firstTag = tags;
    return h;
}

// Assembles ActionScript 2 bytecode.
class Actions {
public:
    Actions &op(uchar code) {
        m_code.append(static_cast<char>(code));
        return *this;
    }
    Actions &push(const QByteArray &text) {
        QByteArray payload(1, '\0');
        payload += text;
        payload += '\0';
        return record(0x96, payload);
    }
    Actions &pushInt(qint32 value) {
        QByteArray payload(1, '\x07');
        payload.resize(5);
        qToLittleEndian(value, payload.data() + 1);
        return record(0x96, payload);
    }
    Actions &pushNull() { return record(0x96, QByteArray(1, '\x02')); }
    // An anonymous function (left on the stack) with one optional parameter.
    Actions &function(const QByteArray &param, const Actions &body) {
        QByteArray fields(1, '\0'); // no name
        fields.append(param.isEmpty() ? "\0\0" : "\1\0", 2);
        if (!param.isEmpty()) fields += param + '\0';
        QByteArray size(2, '\0');
        qToLittleEndian(static_cast<quint16>(body.m_code.size()), size.data());
        record(0x9B, fields + size);
        m_code += body.m_code;
        return *this;
    }
    const QByteArray &bytes() const { return m_code; }

private:
    Actions &record(uchar code, const QByteArray &payload) {
        op(code);
        QByteArray length(2, '\0');
        qToLittleEndian(static_cast<quint16>(payload.size()), length.data());
        m_code += length + payload;
        return *this;
    }
    QByteArray m_code;
};

enum : uchar { GetVariable = 0x1C, GetMember = 0x4E, CallMethod = 0x52, Pop = 0x17, Return = 0x3E };

void addCallback(Actions &a, const QByteArray &name, const QByteArray &param, const Actions &body) {
    a.function(param, body).pushNull().push(name).pushInt(3);
    a.push("flash").op(GetVariable).push("external").op(GetMember);
    a.push("ExternalInterface").op(GetMember).push("addCallback").op(CallMethod).op(Pop);
}

Actions gotoFrame(const QByteArray &method) {
    Actions body;
    body.push("n").op(GetVariable).pushInt(1).push("_root").op(GetVariable);
    body.push(method).op(CallMethod).op(Pop);
    return body;
}

Actions playRoot() {
    Actions body;
    body.pushInt(0).push("_root").op(GetVariable).push("play").op(CallMethod).op(Pop);
    return body;
}

QByteArray hookTag() {
    Actions frame;
    frame.push("_root").op(GetVariable).push("_currentframe").op(GetMember).op(Return);
    Actions all;
    addCallback(all, "mqFrame", {}, frame);
    addCallback(all, "mqGotoPlay", "n", gotoFrame("gotoAndPlay"));
    addCallback(all, "mqGotoStop", "n", gotoFrame("gotoAndStop"));
    addCallback(all, "mqPlay", {}, playRoot());
    all.op(0); // ActionEndFlag
    QByteArray tag(6, '\0');
    qToLittleEndian(static_cast<quint16>(kDoAction << 6 | 0x3f), tag.data());
    qToLittleEndian(static_cast<quint32>(all.bytes().size()), tag.data() + 2);
    return tag + all.bytes();
}

} // namespace

qsizetype readSwfFrameHeader(const QByteArray &body, SwfHeader &h) {
    if (body.isEmpty()) return -1;
    const int nbits = static_cast<uchar>(body[0]) >> 3;
    const qsizetype rectBytes = (5 + 4 * nbits + 7) / 8;
    if (body.size() < rectBytes + 4) return -1;
    int values[4] = {};
    int bit = 5;
    for (int &v : values) {
        quint32 raw = 0;
        for (int i = 0; i < nbits; ++i, ++bit)
            raw = (raw << 1) | ((static_cast<uchar>(body[bit / 8]) >> (7 - bit % 8)) & 1);
        // Sign-extend an nbits-wide field.
        v = nbits > 0 && nbits < 32 && (raw >> (nbits - 1)) & 1
                ? static_cast<int>(raw | (~0u << nbits))
                : static_cast<int>(raw);
    }
    h.width = static_cast<int>((static_cast<qint64>(values[1]) - values[0]) / 20);
    h.height = static_cast<int>((static_cast<qint64>(values[3]) - values[2]) / 20);
    const quint16 rate = le16(body, rectBytes);
    h.frameRate = (rate >> 8) + (rate & 0xff) / 256.0;
    h.frameCount = le16(body, rectBytes + 2);
    return rectBytes + 4;
}

SwfHeader readSwfHeader(const QByteArray &bytes) {
    SwfHeader h;
    if (!knownSignature(bytes)) {
        h.error = QStringLiteral("not a Flash movie");
        return h;
    }
    QString error;
    const QByteArray body = bodyOf(bytes, kHeaderPrefix, &error);
    if (!error.isEmpty()) {
        h.error = error;
        return h;
    }
    return readFrom(bytes, body, nullptr);
}

quint32 swfLzmaDictionary(quint32 asked, quint64 output, quint64 compressed) {
    constexpr quint64 kMaxExpansion = 1 << 14; // bytes out per byte in, with room to spare
    const quint64 reach =
        compressed >= output / kMaxExpansion ? output : compressed * kMaxExpansion;
    return quint32(qBound(quint64(LZMA_DICT_SIZE_MIN), reach, quint64(asked)));
}

QByteArray uncompressedSwf(const QByteArray &bytes, QString *error) {
    QString why;
    QByteArray out;
    if (!knownSignature(bytes)) {
        why = QStringLiteral("not a Flash movie");
    } else {
        const QByteArray body = bodyOf(bytes, kMaxSwfBody, &why);
        if (why.isEmpty()) {
            out = bytes.left(8) + body;
            out[0] = 'F';
            qToLittleEndian(static_cast<quint32>(out.size()), out.data() + 4);
        }
    }
    if (error) *error = why;
    return out;
}

QByteArray hookedSwf(const QByteArray &bytes, QString *error) {
    QString why;
    QByteArray movie = uncompressedSwf(bytes, &why);
    QByteArray out;
    if (why.isEmpty()) {
        const QByteArray body = movie.mid(8);
        qsizetype at = -1;
        const SwfHeader h = readFrom(movie, body, &at);
        if (!h.valid) {
            why = h.error;
        } else if (h.actionScript3) {
            why = QStringLiteral("ActionScript 3 movie");
        } else {
            // After a leading FileAttributes tag, else before the first tag.
            const Tag first = tagAt(body, at);
            if (first.code == kFileAttributes) at = first.end;
            out = movie.left(8 + at) + hookTag() + movie.mid(8 + at);
            if (static_cast<uchar>(out[3]) < 8) out[3] = 8;
            qToLittleEndian(static_cast<quint32>(out.size()), out.data() + 4);
        }
    }
    if (error) *error = why;
    return out;
}
