#include "engine/ChunkedBody.h"

bool ChunkedBody::fail(const QString &what) {
    m_state = Bad;
    m_error = QStringLiteral("The server sent a damaged chunked body: %1.").arg(what);
    return false;
}

bool ChunkedBody::sizeChar(char c) {
    int digit = -1;
    if (c >= '0' && c <= '9')
        digit = c - '0';
    else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
    if (digit >= 0) {
        if (m_state != Size) return fail(QStringLiteral("a chunk size line is not a size"));
        m_left = m_left * 16 + digit;
        ++m_digits;
        if (m_left > kMaxChunk) return fail(QStringLiteral("a chunk is too large"));
        return true;
    }
    if (m_digits == 0) return fail(QStringLiteral("a chunk size line is not a size"));
    if (c == '\r') {
        m_state = SizeEnd;
    } else if (c == '\n') {
        m_state = m_left > 0 ? Data : Trailer;
        m_line = 0;
    } else if (c == ';' || c == ' ' || c == '\t') {
        m_state = Extension;
    } else {
        return fail(QStringLiteral("a chunk size line is not a size"));
    }
    return true;
}

bool ChunkedBody::feed(QByteArrayView in, QByteArray &out) {
    qsizetype i = 0;
    const qsizetype n = in.size();
    while (i < n) {
        const char c = in[i];
        switch (m_state) {
        case Size:
        case Extension:
            if (++m_line > kMaxLine) return fail(QStringLiteral("a chunk size line is too long"));
            if (m_state == Extension && c != '\r' && c != '\n') {
                ++i;
                break;
            }
            if (!sizeChar(c)) return false;
            ++i;
            break;
        case SizeEnd:
            if (c != '\n') return fail(QStringLiteral("a chunk size line does not end"));
            m_state = m_left > 0 ? Data : Trailer;
            m_line = 0;
            ++i;
            break;
        case Data: {
            const qsizetype take = qsizetype(qMin<qint64>(m_left, n - i));
            out.append(in.data() + i, take);
            i += take;
            m_left -= take;
            if (m_left == 0) m_state = DataCr;
            break;
        }
        case DataCr:
        case DataLf:
            if (c == '\n') {
                m_state = Size;
                m_digits = 0;
                m_line = 0;
            } else if (c == '\r' && m_state == DataCr) {
                m_state = DataLf;
            } else {
                return fail(QStringLiteral("a chunk is longer than its size"));
            }
            ++i;
            break;
        case Trailer:
            if (++m_trailer > kMaxTrailer) return fail(QStringLiteral("the trailer is too long"));
            if (c == '\n') {
                m_state = m_line == 0 ? Done : Trailer;
                m_line = 0;
            } else if (c == '\r') {
                if (m_line == 0) m_state = TrailerLf;
            } else {
                ++m_line;
            }
            ++i;
            break;
        case TrailerLf:
            if (c != '\n') return fail(QStringLiteral("the trailer does not end"));
            m_state = Done;
            ++i;
            break;
        case Done:
            return true;
        case Bad:
            return false;
        }
    }
    return m_state != Bad;
}
