#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Little-endian fields of the job database: numbers and texts made of a
// 16-bit length followed by that many Windows-1252 bytes.
class LeWriter {
public:
    static constexpr int kMaxTextBytes = 0xFFFF;
    void i16(qint16 v);
    void u16(quint16 v);
    void i32(qint32 v);
    void f32(float v);
    void f64(double v);
    // Texts longer than 65535 bytes are cut to 65535 bytes.
    void text(const QString &v);
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Reads from a byte array; a read past the end sets ok() to false and gives
// zero or empty values from then on.
class LeReader {
public:
    explicit LeReader(const QByteArray &bytes) : m_bytes(bytes) {}
    qint16 i16();
    quint16 u16();
    qint32 i32();
    float f32();
    double f64();
    QString text();

    bool ok() const { return m_ok; }
    qint64 pos() const { return m_pos; }
    qint64 remaining() const { return m_bytes.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    void seek(qint64 pos) {
        m_pos = pos;
        m_ok = true;
    }
    // The next n bytes without consuming them (fewer at the end).
    QByteArray peek(int n) const { return m_bytes.mid(m_pos, n); }

private:
    const char *take(qint64 n);
    const QByteArray &m_bytes;
    qint64 m_pos = 0;
    bool m_ok = true;
};
