#pragma once

#include <QString>
#include <functional>

class QObject;
class QTcpSocket;

// The connection of one part: plain TCP for http:// jobs, TLS (the system's
// trust store, SNI and host name verification) for https:// jobs. Through
// an HTTP proxy an https connection first opens a "CONNECT host:port" tunnel.
// ready() is raised once the request may be sent: on connect for TCP, after
// the handshake for TLS. Certificate errors are never ignored.
namespace PartTransport {

struct Target {
    QString host; // the server (SNI and certificate name)
    quint16 port = 0;
    bool tls = false;
    bool proxy = false;
    QString proxyHost;
    quint16 proxyPort = 0;
};

// A new socket for `target`, owned by `parent`; `onTlsError` runs (within
// `context`) with the reason when the server's certificate is refused or
// the proxy refuses the tunnel.
QTcpSocket *Create(const Target &target, QObject *parent, QObject *context,
                   std::function<void(QString)> onTlsError);
// `onReady` runs when the request may be sent.
void ConnectReady(QTcpSocket *sock, QObject *context, std::function<void()> onReady);
// What a socket's owner does on its events. Each runs inside a
// SocketGraveyard scope, so a socket closed by it is deleted only afterwards;
// an owner that reads on its own schedule leaves `readyRead` empty.
struct SocketHandlers {
    std::function<void()> ready, readyRead, disconnected, error;
};
void Wire(QTcpSocket *sock, QObject *context, const SocketHandlers &on);
// Starts connecting.
void Open(QTcpSocket *sock, const Target &target);
// Whether a connection opened by Open may send its request now.
bool IsReady(QTcpSocket *sock);

// Adds the certificate authorities of a PEM or DER file to the trust store
// of every TLS connection opened afterwards; false with a reason otherwise.
bool AddCaFile(const QString &path, QString *error);

} // namespace PartTransport
