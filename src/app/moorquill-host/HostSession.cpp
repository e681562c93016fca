#include "HostSession.h"

#include "browser/HandOffJson.h"
#include "browser/HandOffSocket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

// The program beside the host, else on PATH ($MOORQUILL_PROGRAM names it outright).
QString programPath() {
    const QString named = qEnvironmentVariable("MOORQUILL_PROGRAM");
    if (!named.isEmpty()) return named;
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/moorquill");
    if (QFileInfo(beside).isExecutable()) return beside;
    return QStandardPaths::findExecutable(QStringLiteral("moorquill"));
}

// The started program ended (a zombie nobody reaped has ended too).
bool processGone(qint64 pid) {
    if (::kill(pid_t(pid), 0) != 0) return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')'); // the name may hold spaces
    return close > 0 && line.mid(close + 2, 1) == "Z";
}

bool writeAll(int fd, const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

} // namespace

HostSession::HostSession(QObject *parent)
    : QObject(parent), m_input(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this)),
      m_frames(HandOffJson::MaxBytes) {
    connect(m_input, &QSocketNotifier::activated, this, &HostSession::readInput);
}

void HostSession::readInput() {
    char buffer[65536];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        m_input->setEnabled(false);
        emit finished();
        return;
    }
    m_frames.append(QByteArray(buffer, n));
    for (;;) {
        QByteArray payload;
        qint64 announced = 0;
        const MessageFrames::Next next = m_frames.next(&payload, &announced);
        if (next == MessageFrames::Next::NeedMore) return;
        if (next == MessageFrames::Next::Oversized)
            reply(HandOffJson::error(
                QStringLiteral("message of %1 bytes is over the limit").arg(announced)));
        else
            handle(payload);
    }
}

void HostSession::handle(const QByteArray &payload) {
    WireMessage message;
    QString reason;
    if (!HandOffJson::read(payload, &message, &reason)) {
        reply(HandOffJson::error(reason));
        return;
    }
    if (message.type != QLatin1String("handoff")) {
        reply(
            HandOffJson::error(QStringLiteral("unexpected message type \"%1\"").arg(message.type)));
        return;
    }
    reason = deliver(payload);
    reply(reason.isEmpty() ? HandOffJson::ok() : HandOffJson::error(reason));
}

QString HostSession::deliver(const QByteArray &json) {
    const QString socket = HandOffSocket::path();
    QString error;
    bool refused = false;
    if (HandOffSocket::send(socket, json, 3000, &error, &refused)) return QString();
    if (refused || socket.isEmpty()) return error;

    // A program that accepts but has not answered yet is still loading:
    // wait for it rather than start another.
    qint64 pid = 0;
    if (!HandOffSocket::answers(socket)) {
        const QString program = programPath();
        if (program.isEmpty() || !QProcess::startDetached(program, {}, QString(), &pid))
            return QStringLiteral("MoorQuill is not running and could not be started (%1)")
                .arg(program.isEmpty() ? QStringLiteral("moorquill not found") : program);
    }
    // Poll the socket until the program listens, it ends, or the time is up.
    const QDeadlineTimer deadline(StartWaitMs);
    while (!deadline.hasExpired()) {
        if (HandOffSocket::send(socket, json, 3000, &error, &refused)) return QString();
        if (refused) return error;
        if (pid && processGone(pid))
            return QStringLiteral("MoorQuill ended before it could take the link");
        QThread::msleep(50);
    }
    return QStringLiteral("MoorQuill did not start within %1 s").arg(StartWaitMs / 1000);
}

void HostSession::reply(const QByteArray &json) {
    writeAll(STDOUT_FILENO, MessageFrames::frame(json));
}
