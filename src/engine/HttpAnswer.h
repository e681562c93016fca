#pragma once

#include "engine/ChunkedBody.h"
#include "engine/ContentDecoder.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

// One HTTP answer as it streams in: the header collected from the first
// reads, then the body with its transfer coding (chunked) and, when asked
// for, its content coding (gzip, deflate, br) undone. The page fetch and a
// download part read their answers through it.
class HttpAnswer {
public:
    // A header is collected up to this size, then everything counts as body.
    static constexpr int kMaxHeader = 64 * 1024;
    // Decoded bytes are handed out in pieces of at most this size.
    static constexpr qsizetype kStep = 1024 * 1024;

    // Receives body bytes; returns false to stop reading.
    using Sink = std::function<bool(const char *data, qint64 size)>;

    void reset();

    // Adds bytes of the answer's beginning. True once the header is whole
    // (or given up: at kMaxHeader or `closing`, it is empty and all is
    // body); `*rest` then holds the bytes behind it.
    bool collect(const char *data, qint64 size, bool closing, QByteArray *rest);
    bool headerPending() const { return m_pending; }
    // Bytes of a pending header have arrived.
    bool headerStarted() const { return !m_collected.isEmpty(); }
    const QString &header() const { return m_header; }
    // GetStatusCode() of the header: "200", "206", "404", "30" or "".
    const QString &status() const { return m_status; }

    // Reads the body's codings from the header; with `decodeContent` false a
    // content coding is left in place. False (error()) for a coding that
    // cannot be undone.
    bool startBody(bool decodeContent);
    bool chunked() const { return m_chunked; }
    // The body comes content-coded and is decoded: its length is not known.
    bool decoded() const { return m_decoder != nullptr; }
    // Whether the body's own framing tells its end (chunked, or a coded stream).
    bool framed() const { return m_chunked || m_decoder; }
    // Without codings the bytes pass through to `sink` untouched (no copy).
    bool plain() const { return !framed(); }

    // Hands the body of `data` to `sink`. False when the sink stopped or the
    // body is damaged (error() then says how).
    bool body(const char *data, qint64 size, const Sink &sink);
    // The end of the body has been read: the last chunk, the Content-Length
    // (of coded bytes, when coded), or the end of the coded stream. A server
    // may hold the connection open after it (TLS servers wait for the
    // client's close).
    bool complete() const;
    const QString &error() const { return m_error; }

    // The charset named by the Content-Type field, or empty.
    QByteArray charset() const;

private:
    bool decodeData(QByteArrayView data, const Sink &sink);

    bool m_pending = true;
    QByteArray m_collected;
    QString m_header;
    QString m_status;
    bool m_chunked = false;
    ChunkedBody m_chunks;
    std::unique_ptr<ContentDecoder> m_decoder;
    QByteArray m_unchunked;
    qint64 m_length = -1; // Content-Length of a body that is not chunked
    qint64 m_received = 0;
    QString m_error;
};
