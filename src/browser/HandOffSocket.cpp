#include "browser/HandOffSocket.h"

#include "browser/HandOffJson.h"
#include "browser/MessageFrames.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder only its owner (this user) may enter.
bool ownedPrivately(const QString &folder) {
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

QString socketName() {
    return QStringLiteral("moorquill-%1.sock").arg(::geteuid());
}

} // namespace

QString HandOffSocket::path() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && ownedPrivately(runtime)) return runtime + u'/' + socketName();
    const QString folder = QStringLiteral("/tmp/moorquill-%1").arg(::geteuid());
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    if (!ownedPrivately(folder)) return QString();
    return folder + u'/' + socketName();
}

bool HandOffSocket::answers(const QString &path, int timeoutMs) {
    if (path.isEmpty()) return false;
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(timeoutMs);
}

bool HandOffSocket::send(const QString &path, const QByteArray &json, int timeoutMs, QString *error,
                         bool *refused) {
    QString ignored;
    if (!error) error = &ignored;
    if (refused) *refused = false;
    if (path.isEmpty()) {
        *error = QStringLiteral("no private folder for the program's socket");
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        *error = QStringLiteral("MoorQuill is not running: ") + socket.errorString();
        return false;
    }
    socket.write(MessageFrames::frame(json));
    MessageFrames frames(HandOffJson::MaxBytes);
    QByteArray reply;
    while (frames.next(&reply) != MessageFrames::Next::Frame) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) {
            *error = QStringLiteral("MoorQuill did not answer");
            return false;
        }
        frames.append(socket.readAll());
    }
    socket.disconnectFromServer();
    WireMessage answer;
    if (!HandOffJson::read(reply, &answer, error)) return false;
    if (answer.type == QLatin1String("ok")) return true;
    if (refused) *refused = true;
    *error = answer.type == QLatin1String("error") ? answer.message
                                                   : QStringLiteral("unexpected answer");
    return false;
}
