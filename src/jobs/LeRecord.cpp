#include "jobs/LeRecord.h"

#include "platform/Cp1252.h"

#include <QtEndian>
#include <cstring>

namespace {
template <typename T> void put(QByteArray &out, T value) {
    char buf[sizeof(T)];
    qToLittleEndian(value, buf);
    out.append(buf, int(sizeof(T)));
}

template <typename Float, typename Int> Int bitsOf(Float v) {
    static_assert(sizeof(Float) == sizeof(Int));
    Int bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}
} // namespace

void LeWriter::i16(qint16 v) {
    put(m_bytes, v);
}
void LeWriter::u16(quint16 v) {
    put(m_bytes, v);
}
void LeWriter::i32(qint32 v) {
    put(m_bytes, v);
}
void LeWriter::f32(float v) {
    put(m_bytes, bitsOf<float, quint32>(v));
}
void LeWriter::f64(double v) {
    put(m_bytes, bitsOf<double, quint64>(v));
}

void LeWriter::text(const QString &v) {
    QByteArray bytes = Cp1252::encode(v);
    if (bytes.size() > kMaxTextBytes) bytes.truncate(kMaxTextBytes);
    u16(quint16(bytes.size()));
    m_bytes.append(bytes);
}

const char *LeReader::take(qint64 n) {
    if (!m_ok || remaining() < n) {
        m_ok = false;
        return nullptr;
    }
    const char *p = m_bytes.constData() + m_pos;
    m_pos += n;
    return p;
}

qint16 LeReader::i16() {
    const char *p = take(2);
    return p ? qFromLittleEndian<qint16>(p) : 0;
}

quint16 LeReader::u16() {
    const char *p = take(2);
    return p ? qFromLittleEndian<quint16>(p) : 0;
}

qint32 LeReader::i32() {
    const char *p = take(4);
    return p ? qFromLittleEndian<qint32>(p) : 0;
}

float LeReader::f32() {
    const char *p = take(4);
    if (!p) return 0;
    const quint32 bits = qFromLittleEndian<quint32>(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

double LeReader::f64() {
    const char *p = take(8);
    if (!p) return 0;
    const quint64 bits = qFromLittleEndian<quint64>(p);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

QString LeReader::text() {
    const quint16 length = u16();
    const char *p = take(length);
    return p ? Cp1252::decode(QByteArray(p, length)) : QString();
}
