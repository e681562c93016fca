#include "browser/HandOffServer.h"

#include "browser/HandOffJson.h"
#include "browser/HandOffSocket.h"
#include "browser/MessageFrames.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <memory>

#include <sys/socket.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcHandOff, "moorquill.handoff")

namespace {

bool peerIsThisUser(qintptr descriptor) {
    struct ucred peer {};
    socklen_t length = sizeof peer;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0) return false;
    return peer.uid == ::geteuid();
}

} // namespace

HandOffServer::HandOffServer(QObject *parent) : QObject(parent), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &HandOffServer::accept);
}

HandOffServer::~HandOffServer() = default;

bool HandOffServer::listen(const QString &path, QString *error) {
    if (path.isEmpty()) {
        if (error) *error = QStringLiteral("no private folder for the socket");
        return false;
    }
    // Listening replaces the socket file, so first make sure nobody answers
    // there: another program runs. A file nobody answers on is left by a crash.
    if (HandOffSocket::answers(path)) {
        if (error) *error = QStringLiteral("another MoorQuill listens on ") + path;
        return false;
    }
    QLocalServer::removeServer(path);
    if (m_server->listen(path)) return true;
    if (error) *error = m_server->errorString();
    return false;
}

QString HandOffServer::path() const {
    return m_server->fullServerName();
}

void HandOffServer::accept() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(socket->socketDescriptor())) {
            qCWarning(lcHandOff) << "hand-off refused: connection of another user";
            emit refused(QStringLiteral("connection of another user"));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // The connection's frames live as long as its readyRead connection.
        auto frames = std::make_shared<MessageFrames>(HandOffJson::MaxBytes);
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, frames] { readFrom(socket, frames); });
        if (socket->bytesAvailable() > 0) readFrom(socket, frames);
    }
}

void HandOffServer::readFrom(QLocalSocket *socket, std::shared_ptr<MessageFrames> frames) {
    frames->append(socket->readAll());
    for (;;) {
        QByteArray payload;
        qint64 announced = 0;
        const MessageFrames::Next next = frames->next(&payload, &announced);
        if (next == MessageFrames::Next::NeedMore) return;
        if (next == MessageFrames::Next::Oversized) {
            refuse(socket, QStringLiteral("message of %1 bytes is over the limit").arg(announced));
            continue;
        }
        WireMessage message;
        QString reason;
        if (!HandOffJson::read(payload, &message, &reason)) {
            refuse(socket, reason);
        } else if (message.type == QLatin1String("handoff")) {
            socket->write(MessageFrames::frame(HandOffJson::ok()));
            // Emitted from the event loop, not from inside this socket's
            // handler: a receiver may open a modal dialog.
            QMetaObject::invokeMethod(
                this, [this, handOff = message.handOff] { emit this->handOff(handOff); },
                Qt::QueuedConnection);
        } else if (message.type == QLatin1String("show")) {
            socket->write(MessageFrames::frame(HandOffJson::ok()));
            QMetaObject::invokeMethod(
                this, [this] { emit showRequested(); }, Qt::QueuedConnection);
        } else if (message.type == QLatin1String("register")) {
            socket->write(MessageFrames::frame(HandOffJson::ok()));
            emit portRegistered(socket, message.pid, message.browser);
        } else if (message.type == QLatin1String("scanresult")) {
            std::optional<PageScanResult> page;
            if (message.found) page = message.page;
            emit scanAnswered(socket, message.id, page);
        } else if (message.type == QLatin1String("scanpage")) {
            socket->write(MessageFrames::frame(HandOffJson::ok()));
            QMetaObject::invokeMethod(
                this, [this, page = message.page] { emit pageScanned(page); },
                Qt::QueuedConnection);
        } else {
            refuse(socket, QStringLiteral("unexpected message type \"%1\"").arg(message.type));
        }
    }
}

void HandOffServer::refuse(QLocalSocket *socket, const QString &reason) {
    qCWarning(lcHandOff).noquote() << "hand-off refused:" << reason;
    socket->write(MessageFrames::frame(HandOffJson::error(reason)));
    emit refused(reason);
}
