#include "common/FaultHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

FaultHttpServer::FaultHttpServer(QObject *parent) : QTcpServer(parent) {
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, &FaultHttpServer::onNewConnection);
}

QString FaultHttpServer::url(const QString &path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

QByteArray FaultHttpServer::pattern(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = char(x);
    }
    return bytes;
}

void FaultHttpServer::release() {
    m_released = true;
    const auto held = std::move(m_held);
    m_held.clear();
    for (const auto &pump : held)
        QTimer::singleShot(0, this, [pump] { (*pump)(); });
}

void FaultHttpServer::onNewConnection() {
    while (QTcpSocket *sock = nextPendingConnection()) {
        ++m_open;
        auto buffer = std::make_shared<QByteArray>();
        connect(sock, &QTcpSocket::disconnected, this, [this, sock] {
            --m_open;
            sock->deleteLater();
        });
        connect(sock, &QTcpSocket::readyRead, this, [this, sock, buffer] {
            if (buffer->endsWith("\r\n\r\n")) return; // one request per connection
            if (buffer->startsWith("CONNECT ") && buffer->contains("\r\n\r\n"))
                return; // a tunnel: its own handlers carry the bytes
            buffer->append(sock->readAll());
            if (buffer->indexOf("\r\n\r\n") >= 0) {
                requests.append(*buffer);
                emit requestReceived(*buffer);
                serve(sock, *buffer);
                buffer->append("\r\n\r\n");
            }
        });
    }
}

void FaultHttpServer::tunnel(QTcpSocket *sock, const QByteArray &authority) {
    // A proxy's CONNECT: bytes go both ways unchanged once the tunnel stands.
    auto *far = new QTcpSocket(sock);
    const int colon = int(authority.lastIndexOf(':'));
    // QAbstractSocket: a closing tunnel may call back while `sock` is being
    // destroyed, when it is no QTcpSocket any more.
    QPointer<QAbstractSocket> near(sock);
    connect(far, &QTcpSocket::connected, sock, [near] {
        if (near) near->write("HTTP/1.1 200 Connection established\r\n\r\n");
    });
    connect(far, &QTcpSocket::readyRead, sock, [near, far] {
        if (near) near->write(far->readAll());
    });
    connect(sock, &QTcpSocket::readyRead, far, [near, far] { far->write(near->readAll()); });
    connect(far, &QTcpSocket::disconnected, sock, [near] {
        if (near) near->disconnectFromHost();
    });
    connect(sock, &QTcpSocket::disconnected, far, [far] { far->disconnectFromHost(); });
    connect(far, &QTcpSocket::errorOccurred, sock, [near] {
        if (near) near->disconnectFromHost();
    });
    far->connectToHost(QHostAddress::LocalHost, quint16(authority.mid(colon + 1).toUInt()));
}

void FaultHttpServer::serve(QTcpSocket *sock, const QByteArray &request) {
    const QList<QByteArray> lines = request.split('\n');
    if (request.startsWith("CONNECT ") && tunnels) {
        tunnel(sock, lines.value(0).split(' ').value(1));
        return;
    }
    QByteArray target = lines.value(0).split(' ').value(1);
    if (target.startsWith("http://")) { // proxy mode: absolute target
        const int slash = target.indexOf('/', 7);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    qint64 from = -1;
    QByteArray ifRange;
    for (const QByteArray &line : lines) {
        if (line.startsWith("Range: bytes=")) from = line.mid(13).split('-').value(0).toLongLong();
        if (line.startsWith("If-Range: ")) ifRange = line.mid(10).trimmed();
    }

    QByteArray header;
    QByteArray body;
    const QString path = QString::fromLatin1(target);
    if (!m_resources.value(path).raw.isEmpty()) {
        sock->write(m_resources[path].raw);
        sock->disconnectFromHost();
        return;
    }
    if (m_resources.value(path).failTimes > 0 &&
        m_fails[path]++ < m_resources.value(path).failTimes) {
        const Resource &r = m_resources[path];
        header = r.failStatus + "\r\nContent-Length: 4\r\n";
        if (!r.retryAfter.isEmpty()) header += "Retry-After: " + r.retryAfter + "\r\n";
        body = "busy";
    } else if (!m_resources.contains(path)) {
        header = "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n";
        body = "not found";
    } else {
        const Resource &r = m_resources[path];
        const bool ranged = from >= 0 && r.ranges && r.status.contains(" 200") &&
                            !(r.rangeFailFrom > 0 && from >= r.rangeFailFrom) &&
                            (ifRange.isEmpty() || ifRange == r.etag);
        if (ranged && from >= r.body.size()) {
            header = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" +
                     QByteArray::number(r.body.size()) + "\r\n";
        } else if (ranged) {
            body = r.body.mid(from);
            header = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " +
                     QByteArray::number(from) + "-" + QByteArray::number(r.body.size() - 1) + "/" +
                     QByteArray::number(r.body.size()) + "\r\n";
        } else {
            body = r.body;
            header = r.status + "\r\n";
        }
        if (!r.location.isEmpty()) header += "Location: " + r.location + "\r\n";
        if (!r.etag.isEmpty()) header += "ETag: " + r.etag + "\r\n";
        if (r.contentLength)
            header += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        const QString dropKey =
            r.dropPerRange ? path + QLatin1Char('@') + QString::number(from) : path;
        if (r.dropAfter >= 0 && body.size() > r.dropAfter &&
            (r.dropTimes < 0 || m_drops[dropKey]++ < r.dropTimes))
            body.truncate(int(r.dropAfter));
    }
    header += "Server: fault\r\nConnection: close\r\n\r\n";
    const Resource r = m_resources.value(path);

    // Send the header (in pieces when asked), then the body in chunks.
    struct Plan {
        QList<QByteArray> writes;
        int next = 0;
        bool stall = false;
        int loopFrom = -1; // endless: the write to go on from after the last
        int holdAt = -1;   // the write that waits for release()
    };
    auto plan = std::make_shared<Plan>();
    const int pieces = qMax(1, r.headerPieces);
    for (int i = 0; i < pieces; ++i) {
        const int start = int(header.size()) * i / pieces;
        const int end = int(header.size()) * (i + 1) / pieces;
        plan->writes.append(header.mid(start, end - start));
    }
    if (pieces > 1 && !body.isEmpty()) {
        plan->writes.last().append(body.left(100));
        body.remove(0, 100);
    }
    plan->stall = r.stall;
    if (r.endless && !body.isEmpty()) plan->loopFrom = int(plan->writes.size());
    const int chunk = r.chunk > 0 ? r.chunk : int(qMax<qsizetype>(1, body.size()));
    const int held = r.holdAfter >= 0 && r.holdAfter < body.size() ? int(r.holdAfter) : -1;
    for (int i = 0; i < body.size();) {
        if (i == held) plan->holdAt = int(plan->writes.size());
        const int end = i < held ? qMin(i + chunk, held) : i + chunk;
        plan->writes.append(body.mid(i, end - i));
        i = end;
    }
    const int interval = pieces > 1 ? qMax(r.intervalMs, 30) : r.intervalMs;

    QPointer<QTcpSocket> guard(sock);
    // The pump holds itself only through the timers it starts, so it is
    // freed once it stops.
    auto pump = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weakPump = pump;
    *pump = [this, guard, plan, interval, weakPump, pieces]() {
        const std::shared_ptr<std::function<void()>> pump = weakPump.lock();
        if (!pump) return;
        if (!guard || guard->state() != QAbstractSocket::ConnectedState) return;
        if (plan->next >= plan->writes.size() && plan->loopFrom >= 0) {
            plan->next = plan->loopFrom;
            if (guard->bytesToWrite() > (1 << 20)) { // let the client catch up
                QTimer::singleShot(1, guard, [pump] { (*pump)(); });
                return;
            }
        }
        if (plan->next >= plan->writes.size()) {
            guard->disconnectFromHost();
            return;
        }
        if (plan->stall && plan->next >= pieces) return; // header sent, nothing more
        if (plan->next == plan->holdAt && !m_released) {
            m_held.append(pump);
            return;
        }
        guard->write(plan->writes[plan->next++]);
        guard->flush();
        if (interval > 0)
            QTimer::singleShot(interval, guard, [pump] { (*pump)(); });
        else
            QTimer::singleShot(0, guard, [pump] { (*pump)(); });
    };
    (*pump)();
}
