#include "update/UpdateCheck.h"

#include "engine/HttpExchange.h"
#include "engine/PartTransport.h"
#include "update/UpdateConfig.h"

#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

UpdateCheck::UpdateCheck(QObject *parent)
    : QObject(parent), tls(UpdateConfig::UpdateServerTls()), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this,
            [this] { fail(10060, QStringLiteral("The update server did not answer in time")); });
}

UpdateCheck::~UpdateCheck() {
    closeSocket();
}

void UpdateCheck::closeSocket() {
    if (!m_socket) return;
    QTcpSocket *sock = m_socket;
    m_socket = nullptr;
    sock->disconnect(this);
    sock->abort();
    sock->deleteLater();
}

QByteArray UpdateCheck::RequestText(const QString &host, quint16 port, bool overTls) {
    return "GET /newmoorquill.txt HTTP/1.1\r\nAccept: */*\r\nUser-Agent: MoorQuill1.0\r\nHost: " +
           HttpExchange::HostValue(host, port, overTls) + "\r\nConnection: close\r\n\r\n";
}

QString UpdateCheck::ErrorText(int number, const QString &description) {
    return QStringLiteral("Error:") + QString::number(number) + description;
}

int UpdateCheck::ErrorNumber(int qtSocketError) {
    switch (qtSocketError) {
    case QAbstractSocket::ConnectionRefusedError:
        return 10061;
    case QAbstractSocket::RemoteHostClosedError:
        return 10054;
    case QAbstractSocket::HostNotFoundError:
        return 11001;
    case QAbstractSocket::SocketTimeoutError:
        return 10060;
    case QAbstractSocket::NetworkError:
        return 10050;
    default:
        return qtSocketError;
    }
}

void UpdateCheck::Start(const QString &host, quint16 port, const QString &appVersion) {
    closeSocket();
    m_host = host;
    m_port = port;
    m_appVersion = appVersion;
    m_verdict = UpdateVerdict();
    UpdateResponse.clear();
    m_running = true;
    setLabel(UpdateText::connecting());
    m_timer->start(timeoutMs);

    PartTransport::Target target;
    target.host = host;
    target.port = port;
    target.tls = tls;
    QTcpSocket *sock = PartTransport::Create(target, this, this, [this](const QString &reason) {
        // Inside the handshake: end the check once it has returned.
        m_tlsError = reason;
        QTimer::singleShot(0, this, [this, reason] {
            fail(ErrorNumber(QAbstractSocket::SslHandshakeFailedError), reason);
        });
    });
    m_socket = sock;
    m_tlsError.clear();
    sock->setProxy(QNetworkProxy::NoProxy);
    PartTransport::ConnectReady(sock, this, [this, sock] {
        setLabel(UpdateText::connected());
        sock->write(RequestText(m_host, m_port, tls));
        UpdateResponse.clear();
    });
    connect(sock, &QTcpSocket::readyRead, this,
            [this, sock] { UpdateResponse += sock->readAll(); });
    connect(sock, &QTcpSocket::disconnected, this, &UpdateCheck::onClosed);
    connect(sock, &QTcpSocket::errorOccurred, this, [this, sock](QAbstractSocket::SocketError e) {
        // A server close is the normal end; a refused certificate has its reason.
        if (e == QAbstractSocket::RemoteHostClosedError || !m_tlsError.isEmpty()) return;
        fail(ErrorNumber(e), sock->errorString());
    });
    PartTransport::Open(sock, target);
}

void UpdateCheck::setLabel(const QString &text) {
    m_label = text;
    emit labelChanged(text);
}

void UpdateCheck::fail(int number, const QString &description) {
    if (!m_running) return;
    m_running = false;
    m_timer->stop();
    closeSocket();
    setLabel(ErrorText(number, description));
    emit finished();
}

void UpdateCheck::onClosed() {
    if (!m_running || !m_tlsError.isEmpty()) return; // a refused certificate fails the check
    m_running = false;
    m_timer->stop();
    if (m_socket) UpdateResponse += m_socket->readAll();
    setLabel(UpdateText::checkComplete());
    m_verdict = UpdateText::Evaluate(UpdateResponse, m_appVersion);
    setLabel(m_verdict.label);
    emit finished();
}
