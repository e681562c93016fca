#include "engine/HttpAnswer.h"

#include "engine/HttpExchange.h"

void HttpAnswer::reset() {
    m_pending = true;
    m_collected = QByteArray();
    m_header.clear();
    m_status.clear();
    m_chunked = false;
    m_chunks = ChunkedBody();
    m_decoder.reset();
    m_unchunked = QByteArray();
    m_length = -1;
    m_received = 0;
    m_error.clear();
}

bool HttpAnswer::collect(const char *data, qint64 size, bool closing, QByteArray *rest) {
    if (size > 0) m_collected.append(data, qsizetype(size));
    int length = HttpExchange::HeaderLength(m_collected);
    if (length < 0) {
        // The header may still be on its way; collect up to a limit, then
        // treat everything as body.
        if (!closing && m_collected.size() < kMaxHeader) return false;
        length = 0;
    }
    m_pending = false;
    m_header = QString::fromLatin1(m_collected.constData(), length);
    m_status = HttpExchange::GetStatusCode(m_header);
    *rest = m_collected.mid(length);
    m_collected = QByteArray();
    return true;
}

bool HttpAnswer::startBody(bool decodeContent) {
    const QString transfer =
        HttpExchange::FieldValue(m_header, QStringLiteral("Transfer-Encoding:")).toLower();
    m_chunked = transfer.endsWith(QLatin1String("chunked"));
    if (!m_chunked && HttpExchange::HasField(m_header, QStringLiteral("Content-Length:")))
        m_length = HttpExchange::LeadingNumber(HttpExchange::GetContentLength(m_header));
    const QByteArray coding =
        HttpExchange::FieldValue(m_header, QStringLiteral("Content-Encoding:")).toLatin1();
    if (!decodeContent || ContentDecoder::IsIdentity(coding)) return true;
    m_decoder = ContentDecoder::Create(coding);
    if (!m_decoder)
        m_error = QStringLiteral("The server sent the body in a content coding that cannot be "
                                 "decoded: %1.")
                      .arg(QString::fromLatin1(coding));
    return m_decoder != nullptr;
}

bool HttpAnswer::body(const char *data, qint64 size, const Sink &sink) {
    if (size <= 0 || !m_error.isEmpty()) return m_error.isEmpty();
    if (!m_chunked) {
        m_received += size;
        if (!m_decoder) return sink(data, size);
        return decodeData(QByteArrayView(data, qsizetype(size)), sink);
    }
    // The size lines are dropped in slices, so a huge block stays bounded.
    for (qint64 at = 0; at < size;) {
        const qint64 slice = qMin<qint64>(size - at, kStep);
        m_unchunked.clear();
        if (!m_chunks.feed(QByteArrayView(data + at, qsizetype(slice)), m_unchunked)) {
            m_error = m_chunks.error();
            return false;
        }
        at += slice;
        if (m_unchunked.isEmpty()) continue;
        const bool go = m_decoder ? decodeData(m_unchunked, sink)
                                  : sink(m_unchunked.constData(), m_unchunked.size());
        if (!go) return false;
        if (m_chunks.finished()) break;
    }
    return true;
}

bool HttpAnswer::decodeData(QByteArrayView data, const Sink &sink) {
    const auto result = m_decoder->feedAll(
        data, kStep, [&sink](const QByteArray &out) { return sink(out.constData(), out.size()); });
    if (result == ContentDecoder::Damaged)
        m_error = QStringLiteral("The server sent a damaged compressed body.");
    return result == ContentDecoder::Ok;
}

bool HttpAnswer::complete() const {
    if (m_chunked) return m_chunks.finished();
    if (m_length >= 0 && m_received >= m_length) return true;
    return m_decoder && m_decoder->finished();
}

QByteArray HttpAnswer::charset() const {
    const QString type = HttpExchange::FieldValue(m_header, QStringLiteral("Content-Type:"));
    const int at = int(type.indexOf(QLatin1String("charset="), 0, Qt::CaseInsensitive));
    if (at < 0) return {};
    QString value = type.mid(at + 8).section(QLatin1Char(';'), 0, 0).trimmed();
    if (value.startsWith(QLatin1Char('"'))) value = value.mid(1).section(QLatin1Char('"'), 0, 0);
    return value.toLatin1();
}
