#include "common/SwfWriter.h"

#include "base/SwfMovie.h"

#include <QtEndian>
#include <lzma.h>
#include <zlib.h>

namespace {

class Bits {
public:
    void put(quint32 value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if (m_used == 0) m_bytes.append('\0');
            if ((value >> i) & 1) m_bytes[m_bytes.size() - 1] |= char(0x80 >> m_used);
            m_used = (m_used + 1) % 8;
        }
    }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    int m_used = 0;
};

QByteArray u16(int v) {
    QByteArray b(2, '\0');
    qToLittleEndian(quint16(v), b.data());
    return b;
}

QByteArray rect(int w, int h) {
    Bits b;
    b.put(16, 5);
    for (int v : {0, w, 0, h})
        b.put(quint32(v) & 0xffff, 16);
    return b.bytes();
}

QByteArray tag(int code, const QByteArray &data) {
    if (data.size() < 0x3f) return u16(code << 6 | int(data.size())) + data;
    QByteArray length(4, '\0');
    qToLittleEndian(quint32(data.size()), length.data());
    return u16(code << 6 | 0x3f) + length + data;
}

QByteArray square(int side, quint32 colour) {
    QByteArray d = u16(1) + rect(side, side);
    d += QByteArray("\x01\x00", 2); // one solid fill style
    d += QByteArray(1, char(colour >> 16)) + char(colour >> 8) + char(colour);
    d += '\0'; // no line styles
    Bits b;
    b.put(1, 4);        // fill bits
    b.put(0, 4);        // line bits
    b.put(0b000101, 6); // style change: fill style 1, move to
    b.put(16, 5);
    b.put(0, 16);
    b.put(0, 16);
    b.put(1, 1);
    const int edges[4][2] = {{0, side}, {1, side}, {0, -side}, {1, -side}};
    for (const auto &e : edges) {
        b.put(0b11, 2); // straight edge
        b.put(14, 4);   // 16 bits
        b.put(0, 1);    // horizontal or vertical only
        b.put(quint32(e[0]), 1);
        b.put(quint32(e[1]) & 0xffff, 16);
    }
    b.put(0, 6); // end of shape
    return d + b.bytes();
}

QByteArray place(bool first, int x, int y) {
    Bits m;
    m.put(0, 2); // no scale, no rotation
    m.put(16, 5);
    m.put(quint32(x) & 0xffff, 16);
    m.put(quint32(y) & 0xffff, 16);
    QByteArray d(1, first ? '\x06' : '\x05');
    d += u16(1);
    if (first) d += u16(1);
    return d + m.bytes();
}

QByteArray record(int code, const QByteArray &payload) {
    return QByteArray(1, char(code)) + u16(int(payload.size())) + payload;
}

// ConstantPool of the names, then GetURL(name, "_level<n>") for each.
QByteArray loadActions(const QStringList &names) {
    QByteArray pool = u16(int(names.size()));
    for (const QString &name : names)
        pool += name.toUtf8() + '\0';
    QByteArray code = record(0x88, pool);
    for (int i = 0; i < names.size(); ++i) {
        const int level = i + 1 == names.size() ? 0 : 5 + i;
        code +=
            record(0x83, names[i].toUtf8() + '\0' + "_level" + QByteArray::number(level) + '\0');
    }
    return code + '\0';
}

QByteArray lzmaRaw(const QByteArray &in, QByteArray *props) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    options.dict_size = 1 << 16;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    props->resize(5);
    lzma_properties_encode(&filters[0], reinterpret_cast<uint8_t *>(props->data()));
    lzma_stream s = LZMA_STREAM_INIT;
    if (lzma_raw_encoder(&s, filters) != LZMA_OK) return {};
    QByteArray out(int(in.size()) + 1024, '\0');
    s.next_in = reinterpret_cast<const uint8_t *>(in.constData());
    s.avail_in = size_t(in.size());
    s.next_out = reinterpret_cast<uint8_t *>(out.data());
    s.avail_out = size_t(out.size());
    while (lzma_code(&s, LZMA_FINISH) == LZMA_OK) {
    }
    out.resize(out.size() - qsizetype(s.avail_out));
    lzma_end(&s);
    return out;
}

// The 8-byte header (signature set here) and the body stored as `how` says.
QByteArray packed(QByteArray head, const QByteArray &body, char how) {
    head[0] = how;
    if (how == 'C') {
        uLongf size = compressBound(uLong(body.size()));
        QByteArray out(int(size), '\0');
        compress2(reinterpret_cast<Bytef *>(out.data()), &size,
                  reinterpret_cast<const Bytef *>(body.constData()), uLong(body.size()), 9);
        out.resize(int(size));
        return head + out;
    }
    if (how == 'Z') {
        QByteArray props;
        const QByteArray out = lzmaRaw(body, &props);
        QByteArray length(4, '\0');
        qToLittleEndian(quint32(out.size()), length.data());
        return head + length + props + out;
    }
    return head + body;
}

} // namespace

QByteArray makeSwf(const SwfRecipe &recipe) {
    const int w = recipe.width * 20, h = recipe.height * 20, side = qMin(w, h) / 4;
    QByteArray body = rect(w, h);
    body += u16(int(recipe.frameRate * 256));
    body += u16(recipe.frames);
    if (recipe.actionScript3 || recipe.version >= 8)
        body += tag(69, QByteArray(recipe.actionScript3 ? "\x08\0\0\0" : "\0\0\0\0", 4));
    const quint32 c = recipe.background;
    body += tag(9, QByteArray(1, char(c >> 16)) + char(c >> 8) + char(c));
    body += recipe.extraTags;
    if (!recipe.actionScript3) body += tag(2, square(side, recipe.foreground));
    for (int f = 1; f <= recipe.frames; ++f) {
        if (!recipe.actionScript3) {
            const int x = recipe.frames > 1 ? (w - side) * (f - 1) / (recipe.frames - 1) : 0;
            body += tag(26, place(f == 1, x, (h - side) / 2));
        }
        if (f == 1 && !recipe.loads.isEmpty()) body += tag(12, loadActions(recipe.loads));
        if (f == recipe.stopFrame) body += tag(12, QByteArray("\x07\x00", 2));
        body += tag(1, {});
    }
    body += u16(0);

    QByteArray head(8, '\0');
    head[1] = 'W';
    head[2] = 'S';
    head[3] = char(recipe.version);
    qToLittleEndian(quint32(8 + body.size()), head.data() + 4);
    return packed(head, body, recipe.compression);
}

QByteArray swfTag(int code, const QByteArray &data) {
    return tag(code, data);
}

QByteArray recompressSwf(const QByteArray &movie, char compression) {
    const QByteArray plain = uncompressedSwf(movie);
    return plain.isEmpty() ? QByteArray() : packed(plain.left(8), plain.mid(8), compression);
}
