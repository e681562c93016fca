#include "HostSession.h"

#include "browser/HandOffJson.h"
#include "browser/HandOffSocket.h"
#include "browser/NativeHostManifests.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
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

HostSession::HostSession(const QStringList &arguments, QObject *parent)
    : QObject(parent), m_input(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this)),
      m_frames(HandOffJson::MaxBytes), m_programFrames(HandOffJson::MaxBytes) {
    connect(m_input, &QSocketNotifier::activated, this, &HostSession::readInput);
    m_browser = NativeHostManifests::browserOfHost(
        arguments, QFileInfo(QStringLiteral("/proc/%1/exe").arg(::getppid())).symLinkTarget());
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &HostSession::connectProgram);
    m_keepAlive.setInterval(KeepAliveMs);
    connect(&m_keepAlive, &QTimer::timeout, this, [this] { reply(HandOffJson::ok()); });
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
    if (message.type == QLatin1String("listen")) {
        if (!m_port) {
            m_port = true;
            m_keepAlive.start();
            connectProgram();
        }
        return;
    }
    if (message.type == QLatin1String("scanresult")) {
        // An answer for the program; none is waiting when it has gone.
        if (m_program && m_program->state() == QLocalSocket::ConnectedState)
            m_program->write(MessageFrames::frame(payload));
        return;
    }
    if (message.type == QLatin1String("scanpage")) {
        message.page.browser = m_browser;
        reason = message.found ? deliver(HandOffJson::scanPage(message.page))
                               : QStringLiteral("the page could not be read");
        reply(reason.isEmpty() ? HandOffJson::ok() : HandOffJson::error(reason));
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

void HostSession::connectProgram() {
    if (!m_program) {
        m_program = new QLocalSocket(this);
        connect(m_program, &QLocalSocket::connected, this, [this] {
            m_retryWait = RetryFirstMs;
            m_program->write(
                MessageFrames::frame(HandOffJson::registerPort(::getppid(), m_browser)));
        });
        connect(m_program, &QLocalSocket::readyRead, this, &HostSession::readProgram);
        connect(m_program, &QLocalSocket::disconnected, this, &HostSession::programLost);
        connect(m_program, &QLocalSocket::errorOccurred, this, &HostSession::programLost);
    }
    if (m_program->state() != QLocalSocket::UnconnectedState) return;
    m_programFrames = MessageFrames(HandOffJson::MaxBytes);
    m_program->connectToServer(HandOffSocket::path());
}

// No program (yet), or it ended: try again later, waiting longer each time.
void HostSession::programLost() {
    if (m_retry.isActive()) return;
    m_retry.start(m_retryWait);
    m_retryWait = qMin(m_retryWait * 2, RetryLongestMs);
}

void HostSession::readProgram() {
    m_programFrames.append(m_program->readAll());
    for (;;) {
        QByteArray payload;
        const MessageFrames::Next next = m_programFrames.next(&payload);
        if (next == MessageFrames::Next::NeedMore) return;
        WireMessage message;
        QString reason;
        if (next == MessageFrames::Next::Oversized ||
            !HandOffJson::read(payload, &message, &reason))
            continue;
        if (message.type == QLatin1String("scan"))
            reply(HandOffJson::scanRequest(message.id, message.title));
        else if (message.type == QLatin1String("error"))
            qWarning("moorquill-host: the program refused: %s", qPrintable(message.message));
    }
}
