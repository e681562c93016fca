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

void FaultHttpServer::serve(QTcpSocket *sock, const QByteArray &request) {
    const QList<QByteArray> lines = request.split('\n');
    QByteArray target = lines.value(0).split(' ').value(1);
    if (target.startsWith("http://")) { // proxy mode: absolute target
        const int slash = target.indexOf('/', 7);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    qint64 from = -1;
    for (const QByteArray &line : lines)
        if (line.startsWith("Range: bytes=")) from = line.mid(13).split('-').value(0).toLongLong();

    QByteArray header;
    QByteArray body;
    const QString path = QString::fromLatin1(target);
    if (!m_resources.value(path).raw.isEmpty()) {
        sock->write(m_resources[path].raw);
        sock->disconnectFromHost();
        return;
    }
    if (m_resources.value(path).strictHeaderNames && request.contains("\r\nAccept -Encoding:")) {
        header = "HTTP/1.1 400 Bad Request\r\nContent-Length: 11\r\n";
        body = "bad request";
    } else if (!m_resources.contains(path)) {
        header = "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n";
        body = "not found";
    } else {
        const Resource &r = m_resources[path];
        const bool ranged = from >= 0 && r.ranges && r.status.contains(" 200") &&
                            !(r.rangeFailFrom > 0 && from >= r.rangeFailFrom);
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
        if (r.contentLength)
            header += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        if (r.dropAfter >= 0 && body.size() > r.dropAfter &&
            (r.dropTimes < 0 || m_drops[path]++ < r.dropTimes))
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
    for (int i = 0; i < body.size(); i += chunk)
        plan->writes.append(body.mid(i, chunk));
    const int interval = pieces > 1 ? qMax(r.intervalMs, 30) : r.intervalMs;

    QPointer<QTcpSocket> guard(sock);
    auto pump = std::make_shared<std::function<void()>>();
    *pump = [guard, plan, interval, pump, pieces]() {
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
        guard->write(plan->writes[plan->next++]);
        guard->flush();
        if (interval > 0)
            QTimer::singleShot(interval, guard, [pump] { (*pump)(); });
        else
            QTimer::singleShot(0, guard, [pump] { (*pump)(); });
    };
    (*pump)();
}
