#pragma once

#include "engine/HttpAnswer.h"
#include "engine/PartTransport.h"

#include <QByteArray>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class BodyPipe;
class ConnectionWatch;
class QSocketNotifier;
class QTcpSocket;
class RateLimiter;

// The connection of one part of a download job. In: where to connect (a
// PartTransport target), the request once it is connected, and how fast it
// may read (the program's speed limit). Out, by signal: connected, the
// answer's header with the first bytes of its body, the body block by
// block, the server's close, a failure, a time-out. It decides nothing about
// the job, which coordinates its parts. The object serves its part for the
// job's whole life, one socket at a time; nothing of a closed socket is
// reported any more. Receivers may close or reopen it from inside a signal.
class PartConnection : public QObject {
    Q_OBJECT
public:
    // Largest block read at once.
    static constexpr qint64 kBlockSize = 512 * 1024;
    // What a plain socket buffers until its answer's header is in.
    static constexpr qint64 kHeaderBufferSize = HttpAnswer::kMaxHeader;
    // A header is collected up to this size, then everything counts as body.
    static constexpr int kMaxHeaderBytes = HttpAnswer::kMaxHeader;
    // A body sent coded (gzip, ...) is refused once it decodes to more: no
    // job holds a larger file.
    static constexpr qint64 kMaxDecoded = 2147483647;

    // `buffer`: the job's read buffer, which its parts share.
    PartConnection(int part, QByteArray &buffer, QObject *parent = nullptr);
    ~PartConnection() override;

    int part() const { return m_part; }
    // Connect and receive time-outs in seconds (0: none).
    void setLimits(int connectSeconds, int receiveSeconds);
    void setRateLimiter(RateLimiter *limiter) { m_limiter = limiter; }
    // A plain body may bypass the program: once the answer has been taken
    // and the socket's own buffer is empty, the body goes from the socket
    // into `pipe` while `accepts` says its receiver can take it (a file to
    // write to, no speed limit), reported by bodyPiped().
    void setPipe(BodyPipe *pipe, std::function<bool()> accepts);

    // Makes the socket for `target` (taking over the one opened ahead while it
    // lives) without connecting yet. `refill`: it fetches the rest of a range.
    void openSocket(const PartTransport::Target &target, bool refill);
    // Connects; a socket opened ahead that is ready reports from the event loop.
    void connectSocket();
    void sendRequest(const QByteArray &request);
    // The request is reported: the answer is read from now on, what came
    // meanwhile at once (and a close that came meanwhile).
    void startReading();
    void close();

    // https: a socket whose handshake runs while other parts work; one that
    // fails before openSocket() takes it is dropped quietly.
    void openAhead(const PartTransport::Target &target);
    void dropAhead();
    bool hasAhead() const { return m_ahead != nullptr; }

    bool isOpen() const { return m_sock != nullptr; }
    // Changes whenever a socket is opened or closed.
    quint32 generation() const { return m_generation; }
    bool isRefill() const { return m_refill; }
    bool headerPending() const { return m_headerPending; }
    // Whether the job has handled the answer's header.
    bool answered() const { return m_answered; }
    void setAnswered() { m_answered = true; }
    const QString &header() const { return m_answer.header(); }
    const QString &status() const { return m_answer.status(); }
    // The body comes with a content coding, undone before it is reported:
    // its Content-Length (if any) counts coded bytes, its ranges are useless.
    bool contentDecoded() const { return m_answer.decoded(); }
    // The answer's Content-Length is the size of the body reported.
    bool sized() const;
    QString peerAddress() const;

signals:
    void connected(); // the request may be sent
    // The header is whole (header(), status()); `body` is the rest of its block.
    void headerReceived(const char *body, qint64 size);
    void bodyReceived(const char *data, qint64 size);
    // The next `size` bytes of the body wait in the pipe; the receiver takes
    // them all (what it leaves is dropped).
    void bodyPiped(qint64 size);
    void closedByServer(); // after all it sent was handed out
    void failed(const QString &text, const QString &reason);
    void timedOut(bool connecting, int seconds);
    void tlsRefused(const QString &reason); // certificate or proxy tunnel refused
    // The body cannot be used (damaged coding, too large decoded): the
    // connection is closed.
    void bodyRefused(const QString &reason);

private:
    QTcpSocket *createSocket(const PartTransport::Target &target);
    QTcpSocket *takeAhead();
    void retire(QTcpSocket *sock);
    void onConnected(QTcpSocket *sock);
    void onReadyRead(QTcpSocket *sock);
    void onDisconnected(QTcpSocket *sock);
    void onError(QTcpSocket *sock);
    void waitForTokens(QTcpSocket *sock);
    bool mayPipe(QTcpSocket *sock) const;
    void startPipe(QTcpSocket *sock);
    // Back to reading through the socket (`handBack`), or the socket goes.
    void stopPipe(bool handBack);
    void onPipeReadable(QTcpSocket *sock);
    void handleBlock(const char *data, qint64 size);
    void collectHeader(const char *data, qint64 size, bool whole);
    // Hands body bytes out, decoded; false once the socket changed.
    bool passBody(const char *data, qint64 size);
    bool refuseBody(const QString &reason);

    const int m_part;
    QByteArray &m_buffer;
    ConnectionWatch *m_watch;
    RateLimiter *m_limiter = nullptr;
    PartTransport::Target m_target;
    QTcpSocket *m_sock = nullptr;
    quint32 m_generation = 0;
    bool m_fromAhead = false;
    bool m_refill = false;
    bool m_headerPending = false;
    bool m_requested = false; // the request has been sent and reported
    bool m_answered = false;
    bool m_paced = false;    // waits for the speed limit's tokens
    bool m_drainDue = false; // TLS: a read of all decrypted bytes is queued
    QString m_tlsError;      // the certificate was refused
    HttpAnswer m_answer;
    qint64 m_decodedBytes = 0; // of a coded body
    QTcpSocket *m_ahead = nullptr;
    BodyPipe *m_pipe = nullptr;
    std::function<bool()> m_pipeAccepts;
    QSocketNotifier *m_pipeNotifier = nullptr;  // ours while the body is piped
    QPointer<QSocketNotifier> m_socketNotifier; // the socket's, off meanwhile
    bool m_pipeDone = false;                    // the socket's body is read as usual
    QMetaObject::Connection m_aheadError, m_aheadClosed;
};
