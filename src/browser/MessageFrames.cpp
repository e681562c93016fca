#include "browser/MessageFrames.h"

#include <cstdint>
#include <cstring>

MessageFrames::MessageFrames(qint64 maxBytes) : m_max(maxBytes) {}

void MessageFrames::append(const QByteArray &bytes) {
    qint64 offset = 0;
    if (m_skip > 0) {
        offset = qMin<qint64>(m_skip, bytes.size());
        m_skip -= offset;
    }
    m_buffer.append(bytes.constData() + offset, bytes.size() - offset);
}

MessageFrames::Next MessageFrames::next(QByteArray *payload, qint64 *skipped) {
    if (m_skip > 0 || m_buffer.size() < 4) return Next::NeedMore;
    std::uint32_t length = 0;
    std::memcpy(&length, m_buffer.constData(), sizeof length);
    if (qint64(length) > m_max) {
        const qint64 inBuffer = qMin<qint64>(qint64(length), m_buffer.size() - 4);
        m_buffer.remove(0, 4 + inBuffer);
        m_skip = qint64(length) - inBuffer;
        if (skipped) *skipped = length;
        return Next::Oversized;
    }
    if (m_buffer.size() - 4 < qint64(length)) return Next::NeedMore;
    *payload = m_buffer.mid(4, length);
    m_buffer.remove(0, 4 + length);
    return Next::Frame;
}

QByteArray MessageFrames::frame(const QByteArray &payload) {
    const std::uint32_t length = std::uint32_t(payload.size());
    QByteArray out(reinterpret_cast<const char *>(&length), sizeof length);
    return out + payload;
}
