#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <functional>
#include <memory>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for the engine tests. Each path is a
// resource with its own faults: no range support, "200" to range requests,
// any status with a Location, no Content-Length, paced or stalled sending,
// connections dropped mid-body, headers sent in pieces. It also accepts
// absolute request targets (proxy mode), serves pages (any body, any status,
// an endless body) and records every request's bytes.
class FaultHttpServer : public QTcpServer {
    Q_OBJECT
public:
    struct Resource {
        QByteArray body;
        QByteArray status = "HTTP/1.1 200 OK";
        QByteArray location;       // sent as "Location: ..." when not empty
        bool ranges = true;        // answer "Range: bytes=N-" with 206
        bool contentLength = true; // send Content-Length
        qint64 dropAfter = -1;     // close after this many body bytes (each connection)
        int dropTimes = -1;        // how many connections drop (-1: all)
        int chunk = 0;             // bytes per write (0: all at once)
        int intervalMs = 0;        // pause between writes
        bool stall = false;        // send the header, then nothing
        int headerPieces = 1;      // send the header in this many writes
        int rangeFailFrom = 0;     // range requests from this byte on get "200" (0: off)
        bool endless = false;      // send the body again and again until the client closes
        QByteArray raw;            // when set: the whole response as it is, then close
        bool dropPerRange = false; // count dropTimes for each range start apart
        QByteArray failStatus;     // answer the first failTimes requests with this
        int failTimes = 0;
        QByteArray retryAfter; // sent as "Retry-After: ..." with failStatus
        QByteArray etag;       // sent as "ETag: ..."; an If-Range naming another gets "200"
        qint64 holdAfter = -1; // stop after this many body bytes (each connection) until release()
    };

    explicit FaultHttpServer(QObject *parent = nullptr);
    quint16 port() const { return serverPort(); }
    QString url(const QString &path) const;

    void setResource(const QString &path, const Resource &resource) {
        m_resources[path] = resource;
    }
    Resource &resource(const QString &path) { return m_resources[path]; }
    // Serves `size` pattern() bytes at `path`, every other field at its
    // default; a copy of the resource as set.
    Resource serve(const QString &path, int size) {
        Resource r;
        r.body = pattern(size);
        return m_resources[path] = r;
    }

    QList<QByteArray> requests; // raw request bytes in arrival order
    bool tunnels = false;       // act as a proxy for CONNECT to 127.0.0.1 ports
    int openConnections() const { return m_open; }
    // Connections waiting at their resource's holdAfter; release() lets
    // them (and every later one) go on.
    int held() const { return int(m_held.size()); }
    void release();

    static QByteArray pattern(int size); // deterministic test bytes

signals:
    void requestReceived(const QByteArray &request);

private:
    void onNewConnection();
    void serve(QTcpSocket *sock, const QByteArray &request);
    void tunnel(QTcpSocket *sock, const QByteArray &authority);
    QHash<QString, Resource> m_resources;
    QHash<QString, int> m_drops;
    QHash<QString, int> m_fails;
    int m_open = 0;
    QList<std::shared_ptr<std::function<void()>>> m_held;
    bool m_released = false;
};
