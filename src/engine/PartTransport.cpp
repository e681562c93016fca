#include "engine/PartTransport.h"

#include "engine/HttpExchange.h"
#include "engine/SocketGraveyard.h"
#include "platform/MallocTuning.h"

#include <QFile>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <functional>
#include <memory>

namespace PartTransport {

namespace {
constexpr int kMaxTunnelHeader = 16 * 1024;
// What the plain socket under a TLS connection holds: the TLS layer copies
// all of it into its own input buffer at once, and that buffer never shrinks,
// so a larger plain buffer costs its size twice per connection. Further
// encrypted bytes wait in the kernel.
constexpr qint64 kTlsInputBuffer = 64 * 1024;

QString sslErrorsText(const QList<QSslError> &errors) {
    QStringList texts;
    for (const QSslError &e : errors)
        texts << e.errorString();
    return texts.join(QStringLiteral("; "));
}
} // namespace

void ConnectReady(QTcpSocket *sock, QObject *context, std::function<void()> onReady) {
    if (auto *ssl = qobject_cast<QSslSocket *>(sock))
        QObject::connect(ssl, &QSslSocket::encrypted, context, std::move(onReady));
    else
        QObject::connect(sock, &QTcpSocket::connected, context, std::move(onReady));
}

namespace {
std::function<void()> inScope(std::function<void()> handler) {
    return [handler = std::move(handler)] {
        SocketGraveyard::Scope scope;
        handler();
    };
}
} // namespace

void Wire(QTcpSocket *sock, QObject *context, const SocketHandlers &on) {
    ConnectReady(sock, context, inScope(on.ready));
    if (on.readyRead)
        QObject::connect(sock, &QTcpSocket::readyRead, context, inScope(on.readyRead));
    QObject::connect(sock, &QTcpSocket::disconnected, context, inScope(on.disconnected));
    QObject::connect(sock, &QTcpSocket::errorOccurred, context, inScope(on.error));
}

QTcpSocket *Create(const Target &target, QObject *parent, QObject *context,
                   std::function<void(QString)> onTlsError) {
    if (!target.tls) return new QTcpSocket(parent);
    tuneMallocForStreaming(); // before the TLS layer's first buffers
    auto *sock = new QSslSocket(parent);
    sock->setPeerVerifyName(target.host);
    sock->setPeerVerifyMode(QSslSocket::VerifyPeer);
    // The plain socket is the TLS socket's child; Qt sizes it like the TLS
    // socket while it connects, so it is bounded once the handshake is over.
    QObject::connect(sock, &QSslSocket::encrypted, sock, [sock] {
        if (auto *plain = sock->findChild<QTcpSocket *>(QString(), Qt::FindDirectChildrenOnly))
            plain->setReadBufferSize(kTlsInputBuffer);
    });
    auto failed = std::make_shared<std::function<void(QString)>>(std::move(onTlsError));
    QObject::connect(sock, &QSslSocket::sslErrors, context,
                     [failed, host = target.host](const QList<QSslError> &errors) {
                         (*failed)(QStringLiteral("The certificate of %1 is refused: %2")
                                       .arg(host, sslErrorsText(errors)));
                     });
    if (!target.proxy) return sock;
    // The tunnel: CONNECT on the plain connection, then the handshake.
    auto answer = std::make_shared<QByteArray>();
    QObject::connect(sock, &QSslSocket::connected, context, [sock, target] {
        const QByteArray authority = target.host.toLatin1() + ':' + QByteArray::number(target.port);
        sock->write("CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n\r\n");
    });
    QObject::connect(sock, &QSslSocket::readyRead, context, [sock, answer, failed, target] {
        if (sock->isEncrypted() || sock->mode() != QSslSocket::UnencryptedMode) return;
        answer->append(sock->read(kMaxTunnelHeader - answer->size()));
        const int end = HttpExchange::HeaderLength(*answer);
        if (end < 0) {
            if (answer->size() >= kMaxTunnelHeader)
                (*failed)(QStringLiteral("The proxy sent no usable answer to CONNECT."));
            return;
        }
        const QString header = QString::fromLatin1(answer->left(end));
        const int status = HttpExchange::StatusNumber(header);
        if (status < 200 || status > 299) {
            (*failed)(QStringLiteral("The proxy refused the tunnel to %1:%2 (%3)")
                          .arg(target.host)
                          .arg(target.port)
                          .arg(HttpExchange::StatusLine(header)));
            return;
        }
        sock->startClientEncryption();
    });
    return sock;
}

void Open(QTcpSocket *sock, const Target &target) {
    auto *ssl = qobject_cast<QSslSocket *>(sock);
    if (ssl && !target.proxy) {
        ssl->connectToHostEncrypted(target.host, target.port, target.host);
        return;
    }
    if (target.proxy)
        sock->connectToHost(target.proxyHost, target.proxyPort);
    else
        sock->connectToHost(target.host, target.port);
}

bool IsReady(QTcpSocket *sock) {
    if (auto *ssl = qobject_cast<QSslSocket *>(sock)) return ssl->isEncrypted();
    return sock->state() == QAbstractSocket::ConnectedState;
}

bool AddCaFile(const QString &path, QString *error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    QList<QSslCertificate> certs = QSslCertificate::fromData(bytes, QSsl::Pem);
    if (certs.isEmpty()) certs = QSslCertificate::fromData(bytes, QSsl::Der);
    if (certs.isEmpty()) {
        *error = QStringLiteral("%1 holds no certificate").arg(path);
        return false;
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificates(certs);
    QSslConfiguration::setDefaultConfiguration(config);
    return true;
}

} // namespace PartTransport
