#pragma once

#include "browser/HandOffMessage.h"
#include "browser/PageMovies.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class MessageFrames;

// The running program's end of the local socket: accepts connections of this
// user only (owner-only socket, the peer's uid checked), reads length-framed
// JSON messages and answers each with "ok" or "error". A hand-off becomes
// handOff(), "show" becomes showRequested(); anything malformed is refused
// with a log line and goes no further.
//
// A native host of the extension's long-lived port registers on a connection
// it keeps open (portRegistered; answered "ok"); scan answers arriving on it
// become scanAnswered (not answered). A scan the user asked for in the
// browser's menu becomes pageScanned.
class HandOffServer : public QObject {
    Q_OBJECT
public:
    explicit HandOffServer(QObject *parent = nullptr);
    ~HandOffServer() override;

    // Listens on `path`, replacing a socket file nobody answers on any more.
    // False when another program listens there or the socket cannot be made.
    bool listen(const QString &path, QString *error = nullptr);
    QString path() const;

signals:
    void handOff(const HandOffMessage &message);
    void showRequested();
    void refused(const QString &reason); // also logged
    // `socket` stays open until the host ends; it is deleted when it closes.
    void portRegistered(QLocalSocket *socket, qint64 pid, const QString &browser);
    void scanAnswered(QLocalSocket *socket, qint64 id, const std::optional<PageScanResult> &page);
    void pageScanned(const PageScanResult &page);

private:
    void accept();
    void readFrom(QLocalSocket *socket, std::shared_ptr<MessageFrames> frames);
    void refuse(QLocalSocket *socket, const QString &reason);

    QLocalServer *m_server;
};
