#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Reads a body sent "Transfer-Encoding: chunked" as it streams in, in any
// pieces: a size line may be split anywhere, even inside "\r\n". Sizes,
// extension and trailer lines are bounded; anything else is damage, never a
// wait for more.
class ChunkedBody {
public:
    static constexpr qint64 kMaxChunk = qint64(1) << 40;
    static constexpr int kMaxLine = 4096;         // a size line with its extensions
    static constexpr int kMaxTrailer = 64 * 1024; // all trailer lines together

    // Appends the data of `in` to `out`. False once the framing is damaged
    // (error() tells how); bytes behind the last chunk are ignored.
    bool feed(QByteArrayView in, QByteArray &out);
    // The last chunk and the trailer have been read.
    bool finished() const { return m_state == Done; }
    const QString &error() const { return m_error; }

private:
    enum State { Size, Extension, SizeEnd, Data, DataCr, DataLf, Trailer, TrailerLf, Done, Bad };
    bool fail(const QString &what);
    bool sizeChar(char c);

    State m_state = Size;
    qint64 m_left = 0; // data bytes of the chunk still to come
    int m_digits = 0;
    int m_line = 0;    // bytes of the current size or trailer line
    int m_trailer = 0; // bytes of trailer read
    QString m_error;
};
