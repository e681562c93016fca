#include "engine/PartConnection.h"

#include "engine/BodyPipe.h"
#include "engine/ConnectionWatch.h"
#include "engine/HttpExchange.h"
#include "engine/RateLimiter.h"
#include "engine/SocketGraveyard.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

PartConnection::PartConnection(int part, QByteArray &buffer, QObject *parent)
    : QObject(parent), m_part(part), m_buffer(buffer), m_watch(new ConnectionWatch(this)) {
    connect(m_watch, &ConnectionWatch::timedOut, this, [this](bool connecting, int seconds) {
        if (!m_sock) return;
        SocketGraveyard::Scope scope;
        emit timedOut(connecting, seconds);
    });
}

PartConnection::~PartConnection() {
    close();
    dropAhead();
}

void PartConnection::setPipe(BodyPipe *pipe, std::function<bool()> accepts) {
    m_pipe = pipe;
    m_pipeAccepts = std::move(accepts);
}

void PartConnection::setLimits(int connectSeconds, int receiveSeconds) {
    m_watch->setLimits(connectSeconds, receiveSeconds);
}

QString PartConnection::peerAddress() const {
    return m_sock ? m_sock->peerAddress().toString() : QString();
}

// ---- opening and closing ---------------------------------------------------

QTcpSocket *PartConnection::createSocket(const PartTransport::Target &target) {
    auto created = std::make_shared<QTcpSocket *>(nullptr);
    // A refusal matters once the socket is in use; one opened ahead is dropped.
    QTcpSocket *sock =
        PartTransport::Create(target, this, this, [this, created](const QString &reason) {
            if (*created != m_sock) return;
            m_tlsError = reason;
            emit tlsRefused(reason);
        });
    *created = sock;
    // Bounded memory; TCP holds back the rest. A plain socket buffers little
    // until its answer's header is in: its body mostly bypasses the buffer.
    sock->setReadBufferSize(target.tls ? kBlockSize : kHeaderBufferSize);
    return sock;
}

void PartConnection::openSocket(const PartTransport::Target &target, bool refill) {
    close();
    m_target = target;
    m_refill = refill;
    m_headerPending = m_requested = m_answered = m_paced = m_drainDue = m_pipeDone = false;
    m_tlsError.clear();
    m_answer.reset();
    m_decodedBytes = 0;
    QTcpSocket *sock = takeAhead();
    m_fromAhead = sock != nullptr;
    if (!sock) sock = createSocket(target);
    ++m_generation;
    m_sock = sock;
    PartTransport::SocketHandlers on;
    on.ready = [this, sock] { onConnected(sock); };
    on.disconnected = [this, sock] { onDisconnected(sock); };
    on.error = [this, sock] { onError(sock); };
    if (!target.tls) on.readyRead = [this, sock] { onReadyRead(sock); };
    PartTransport::Wire(sock, this, on);
    if (target.tls) {
        // The TLS socket announces every few KiB it decrypts; reading once
        // it has decrypted all that arrived keeps writes and reports large.
        connect(sock, &QTcpSocket::readyRead, this, [this, sock] {
            if (m_sock != sock || m_drainDue) return;
            m_drainDue = true;
            QMetaObject::invokeMethod(
                this,
                [this, sock] {
                    if (m_sock != sock) return;
                    m_drainDue = false;
                    SocketGraveyard::Scope scope;
                    onReadyRead(sock);
                },
                Qt::QueuedConnection);
        });
    }
}

void PartConnection::connectSocket() {
    QTcpSocket *sock = m_sock;
    if (!sock) return;
    m_headerPending = true;
    m_watch->watchConnect();
    if (!m_fromAhead) {
        PartTransport::Open(sock, m_target);
    } else if (PartTransport::IsReady(sock)) {
        // Its handshake is over: the request goes out from the event loop.
        QTimer::singleShot(0, sock, [this, sock] {
            SocketGraveyard::Scope scope;
            onConnected(sock);
        });
    }
}

void PartConnection::sendRequest(const QByteArray &request) {
    if (m_sock) m_sock->write(request);
}

void PartConnection::startReading() {
    QTcpSocket *sock = m_sock;
    if (!sock) return;
    m_requested = true;
    // An answer that came in meanwhile waited for the request's report.
    if (sock->bytesAvailable() > 0) onReadyRead(sock);
    // A server that answered and closed meanwhile: its close waited as well.
    if (m_sock == sock && sock->state() == QAbstractSocket::UnconnectedState) onDisconnected(sock);
}

void PartConnection::close() {
    QTcpSocket *sock = m_sock;
    if (!sock) return;
    m_sock = nullptr;
    ++m_generation;
    m_watch->stop();
    stopPipe(false);
    retire(sock);
}

void PartConnection::retire(QTcpSocket *sock) {
    sock->disconnect(this);
    sock->abort();
    SocketGraveyard::retire(sock);
}

void PartConnection::openAhead(const PartTransport::Target &target) {
    if (m_sock || m_ahead) return;
    QTcpSocket *sock = createSocket(target);
    m_ahead = sock;
    // A connection that fails before it is used is simply dropped.
    auto drop = [this, sock] {
        QTimer::singleShot(0, this, [this, sock] {
            if (m_ahead == sock) dropAhead();
        });
    };
    m_aheadError = connect(sock, &QTcpSocket::errorOccurred, this, drop);
    m_aheadClosed = connect(sock, &QTcpSocket::disconnected, this, drop);
    PartTransport::Open(sock, target);
}

QTcpSocket *PartConnection::takeAhead() {
    QTcpSocket *sock = m_ahead;
    if (!sock) return nullptr;
    if (sock->state() != QAbstractSocket::ConnectedState &&
        sock->state() != QAbstractSocket::ConnectingState &&
        sock->state() != QAbstractSocket::HostLookupState) {
        dropAhead();
        return nullptr;
    }
    disconnect(m_aheadError);
    disconnect(m_aheadClosed);
    m_ahead = nullptr;
    return sock;
}

void PartConnection::dropAhead() {
    QTcpSocket *sock = m_ahead;
    if (!sock) return;
    m_ahead = nullptr;
    retire(sock);
}

// ---- the socket's events ---------------------------------------------------

void PartConnection::onConnected(QTcpSocket *sock) {
    if (m_sock != sock) return;
    m_watch->watchReceive();
    emit connected();
}

void PartConnection::onReadyRead(QTcpSocket *sock) {
    if (m_sock != sock || !m_requested) return;
    m_watch->activity();
    if (m_buffer.size() < kBlockSize) m_buffer.resize(kBlockSize);
    while (m_sock == sock) {
        qint64 want = kBlockSize;
        const bool paced = m_limiter && m_limiter->limited();
        if (paced) {
            const qint64 available = sock->bytesAvailable();
            if (available <= 0) break;
            want = m_limiter->take(qMin(want, available));
            if (want == 0) {
                waitForTokens(sock);
                break;
            }
        }
        const qint64 n = sock->read(m_buffer.data(), want);
        if (paced) m_limiter->giveBack(want - qMax<qint64>(0, n));
        if (n <= 0) break;
        handleBlock(m_buffer.constData(), n);
    }
    if (m_sock != sock) return;
    if (mayPipe(sock))
        startPipe(sock);
    else if (!m_headerPending && !m_pipeNotifier && sock->readBufferSize() < kBlockSize)
        sock->setReadBufferSize(kBlockSize); // the body is read through the socket
}

// ---- a plain body through the pipe ------------------------------------------

bool PartConnection::mayPipe(QTcpSocket *sock) const {
    return m_pipe && !m_pipeDone && !m_target.tls && m_requested && !m_headerPending &&
           m_answered && m_answer.plain() && m_answer.error().isEmpty() && !m_paced &&
           !(m_limiter && m_limiter->limited()) && sock->bytesAvailable() == 0 &&
           sock->state() == QAbstractSocket::ConnectedState && m_pipeAccepts && m_pipeAccepts();
}

void PartConnection::startPipe(QTcpSocket *sock) {
    if (m_pipeNotifier) return;
    // The socket reads on its own notifier: while the body is piped it is
    // switched off so that nothing lands in the socket's buffer.
    const qintptr fd = sock->socketDescriptor();
    QSocketNotifier *own = nullptr;
    for (QSocketNotifier *n : sock->findChildren<QSocketNotifier *>()) {
        if (n->type() == QSocketNotifier::Read && n->socket() == fd && n->isEnabled()) own = n;
    }
    if (fd < 0 || !own) {
        m_pipeDone = true;
        return;
    }
    own->setEnabled(false);
    m_socketNotifier = own;
    m_pipeNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_pipeNotifier, &QSocketNotifier::activated, this,
            [this, sock] { onPipeReadable(sock); });
}

void PartConnection::stopPipe(bool handBack) {
    if (!m_pipeNotifier) return;
    m_pipeNotifier->setEnabled(false);
    m_pipeNotifier->disconnect(this);
    m_pipeNotifier->deleteLater();
    m_pipeNotifier = nullptr;
    if (handBack && m_socketNotifier) {
        m_socketNotifier->setEnabled(true);
        m_sock->setReadBufferSize(kBlockSize);
    }
    m_socketNotifier = nullptr;
}

void PartConnection::onPipeReadable(QTcpSocket *sock) {
    if (m_sock != sock) return;
    SocketGraveyard::Scope scope;
    m_watch->activity();
    // A few blocks at a time, so that one fast part does not hold the others up.
    for (int blocks = 0; blocks < 4 && m_sock == sock; ++blocks) {
        if (m_paced || (m_limiter && m_limiter->limited()) || !m_pipeAccepts()) {
            stopPipe(true); // the socket reads again, its buffer is empty
            return;
        }
        const qint64 n = m_pipe->fill(int(sock->socketDescriptor()), kBlockSize);
        if (n == BodyPipe::kNothing) return;
        if (n <= 0) {
            // The server closed or the connection broke: the socket finds out
            // on its own read and reports it as it always does.
            m_pipeDone = true;
            stopPipe(true);
            return;
        }
        emit bodyPiped(n);
        if (m_pipe->pending() > 0) m_pipe->discard();
    }
}

void PartConnection::waitForTokens(QTcpSocket *sock) {
    if (m_paced) return;
    m_paced = true;
    m_limiter->wait(this, [this, sock] {
        if (m_sock != sock) return;
        SocketGraveyard::Scope scope;
        m_paced = false;
        if (sock->state() == QAbstractSocket::UnconnectedState)
            onDisconnected(sock);
        else
            onReadyRead(sock);
    });
}

void PartConnection::onDisconnected(QTcpSocket *sock) {
    // Before the request is reported the answer is not read yet (startReading
    // comes back here).
    if (m_sock != sock || !m_requested) return;
    onReadyRead(sock);                     // whatever is still buffered
    if (m_sock != sock || m_paced) return; // the rest is read when the speed limit allows
    if (m_headerPending && m_answer.headerStarted()) {
        collectHeader(nullptr, 0, true);
        if (m_sock != sock) return;
    }
    // A coded body that stops short of its end is a broken connection.
    if (!m_headerPending && m_answer.framed() && !m_answer.complete() && m_answered) {
        emit failed(QStringLiteral("The server closed the connection before the end of the body."),
                    QStringLiteral("The server closed the connection before the end of the body."));
        return;
    }
    emit closedByServer();
}

void PartConnection::onError(QTcpSocket *sock) {
    // A server close arrives as disconnected(); a refused certificate ends the job.
    if (m_sock != sock || sock->error() == QAbstractSocket::RemoteHostClosedError ||
        !m_tlsError.isEmpty())
        return;
    emit failed(QString::number(int(sock->error())) + sock->errorString(), sock->errorString());
}

// ---- the answer ------------------------------------------------------------

bool PartConnection::sized() const {
    return m_answer.plain() && HttpExchange::HasField(header(), QStringLiteral("Content-Length:"));
}

void PartConnection::handleBlock(const char *data, qint64 size) {
    if (size <= 0) return;
    if (m_headerPending)
        collectHeader(data, size, false);
    else
        passBody(data, size);
}

void PartConnection::collectHeader(const char *data, qint64 size, bool whole) {
    QByteArray rest;
    if (!m_answer.collect(data, size, whole, &rest)) return;
    m_headerPending = false;
    const bool usable = m_answer.startBody(true);
    if (usable && m_answer.plain()) {
        emit headerReceived(rest.constData(), rest.size());
        return;
    }
    // A coded body is handed out decoded, block by block, once the header
    // has been taken.
    const quint32 generation = m_generation;
    emit headerReceived(rest.constData(), 0);
    if (generation == m_generation && !rest.isEmpty()) passBody(rest.constData(), rest.size());
}

bool PartConnection::passBody(const char *data, qint64 size) {
    if (m_answer.plain() && m_answer.error().isEmpty()) {
        emit bodyReceived(data, size);
        return true;
    }
    if (!m_answer.error().isEmpty()) return refuseBody(m_answer.error());
    const quint32 generation = m_generation;
    const bool ok = m_answer.body(data, size, [this, generation](const char *out, qint64 n) {
        m_decodedBytes += n;
        if (m_decodedBytes > kMaxDecoded)
            return refuseBody(QStringLiteral("The file is too large once decoded: more than %1 "
                                             "bytes.")
                                  .arg(kMaxDecoded));
        emit bodyReceived(out, n);
        return generation == m_generation;
    });
    if (generation != m_generation) return false;
    if (!ok) return refuseBody(m_answer.error());
    if (m_answer.complete()) {
        // The body's own end: the server may keep the connection open.
        emit closedByServer();
        return false;
    }
    return true;
}

bool PartConnection::refuseBody(const QString &reason) {
    if (!m_sock) return false;
    close();
    emit bodyRefused(reason);
    return false;
}
