#pragma once

#include <QByteArray>

// Length-framed messages as native messaging and the program's local socket
// carry them: a 4-byte length in the machine's byte order, then that many
// bytes. Bytes arrive in any pieces; a frame over the limit is skipped whole
// (its bytes are read and dropped) and reported once.
class MessageFrames {
public:
    enum class Next { Frame, NeedMore, Oversized };

    explicit MessageFrames(qint64 maxBytes);

    void append(const QByteArray &bytes);
    // The next complete frame into *payload; Oversized once per skipped frame
    // (with *skipped its announced length).
    Next next(QByteArray *payload, qint64 *skipped = nullptr);
    // Bytes held for a frame not yet complete.
    qint64 pending() const { return m_buffer.size(); }

    static QByteArray frame(const QByteArray &payload);

private:
    qint64 m_max;
    qint64 m_skip = 0; // bytes of an oversized frame still to drop
    QByteArray m_buffer;
};
