#include "update/UpdateCheck.h"

#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

UpdateCheck::UpdateCheck(QObject *parent)
    : QObject(parent), m_socket(new QTcpSocket(this)), m_timer(new QTimer(this)) {
    m_socket->setProxy(QNetworkProxy::NoProxy);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this,
            [this] { fail(10060, QStringLiteral("The update server did not answer in time")); });
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        setLabel(UpdateText::connected());
        m_socket->write(RequestText(m_host));
        UpdateResponse.clear();
    });
    connect(m_socket, &QTcpSocket::readyRead, this,
            [this] { UpdateResponse += m_socket->readAll(); });
    connect(m_socket, &QTcpSocket::disconnected, this, &UpdateCheck::onClosed);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError) return; // the normal end
        fail(ErrorNumber(e), m_socket->errorString());
    });
}

UpdateCheck::~UpdateCheck() {
    m_socket->abort();
}

QByteArray UpdateCheck::RequestText(const QString &host) {
    return "GET /newmoorquill.txt HTTP/1.1\r\nAccept: */*\r\nUser-Agent: MoorQuill1.0\r\nHost: " +
           host.toLatin1() + "\r\nConnection: close\r\n\r\n";
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
    m_socket->abort();
    m_host = host;
    m_appVersion = appVersion;
    m_verdict = UpdateVerdict();
    UpdateResponse.clear();
    m_running = true;
    setLabel(UpdateText::connecting());
    m_timer->start(timeoutMs);
    m_socket->connectToHost(host, port);
}

void UpdateCheck::setLabel(const QString &text) {
    m_label = text;
    emit labelChanged(text);
}

void UpdateCheck::fail(int number, const QString &description) {
    if (!m_running) return;
    m_running = false;
    m_timer->stop();
    m_socket->abort();
    setLabel(ErrorText(number, description));
    emit finished();
}

void UpdateCheck::onClosed() {
    if (!m_running) return;
    m_running = false;
    m_timer->stop();
    UpdateResponse += m_socket->readAll();
    setLabel(UpdateText::checkComplete());
    m_verdict = UpdateText::Evaluate(UpdateResponse, m_appVersion);
    setLabel(m_verdict.label);
    emit finished();
}
