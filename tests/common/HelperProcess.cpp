#include "common/HelperProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

HelperProcess::HelperProcess() {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

HelperProcess::~HelperProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString HelperProcess::find(const QString &name) {
    for (const QString &folder : {QStringLiteral("/usr/sbin/"), QStringLiteral("/usr/bin/")})
        if (QFileInfo(folder + name).isExecutable()) return folder + name;
    return QStandardPaths::findExecutable(name);
}

quint16 HelperProcess::freePort() {
    QTcpServer tcp;
    QUdpSocket udp;
    for (int attempt = 0; attempt < 20; ++attempt) {
        tcp.listen(QHostAddress::LocalHost, 0);
        const quint16 port = tcp.serverPort();
        tcp.close();
        if (udp.bind(QHostAddress::LocalHost, port)) return port; // free for both
    }
    return 0;
}

bool HelperProcess::start(const QString &program, const QStringList &args,
                          const std::function<bool()> &ready, QString *error) {
    m_process.start(program, args);
    if (!m_process.waitForStarted(5000)) {
        if (error) *error = m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        if (ready()) return true;
        m_process.waitForFinished(50);
    }
    if (error) *error = QString::fromLocal8Bit(m_process.readAll());
    return false;
}

bool startDnsmasq(HelperProcess &process, quint16 port, const QStringList &mxHosts,
                  QString *error) {
    const QString program = HelperProcess::find(QStringLiteral("dnsmasq"));
    if (program.isEmpty()) {
        if (error) *error = QStringLiteral("dnsmasq is not installed");
        return false;
    }
    QStringList args{QStringLiteral("--keep-in-foreground"),
                     QStringLiteral("--conf-file=/dev/null"),
                     QStringLiteral("--no-resolv"),
                     QStringLiteral("--no-hosts"),
                     QStringLiteral("--no-poll"),
                     QStringLiteral("--bind-interfaces"),
                     QStringLiteral("--listen-address=127.0.0.1"),
                     QStringLiteral("--port=%1").arg(port),
                     QStringLiteral("--pid-file=") + process.file(QStringLiteral("dnsmasq.pid")),
                     QStringLiteral("--user=root")};
    for (const QString &mx : mxHosts)
        args.append(QStringLiteral("--mx-host=") + mx);
    return process.start(
        program, args,
        [port] {
            QUdpSocket probe; // any answer to a query means it listens
            probe.writeDatagram(QByteArray("\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00"
                                           "\x05probe\x04test\x00\x00\x01\x00\x01",
                                           28),
                                QHostAddress::LocalHost, port);
            return probe.waitForReadyRead(200);
        },
        error);
}

bool startSmtpSinkServer(HelperProcess &process, quint16 port, QString *error) {
    const QString python = QStringLiteral("/usr/bin/python3");
    const QString script = process.file(QStringLiteral("sink.py"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write("import os, sys, time\n"
               "from aiosmtpd.controller import Controller\n"
               "folder, port = sys.argv[1], int(sys.argv[2])\n"
               "class Sink:\n"
               "    count = 0\n"
               "    async def handle_DATA(self, server, session, envelope):\n"
               "        Sink.count += 1\n"
               "        path = os.path.join(folder, 'message-%d.eml' % Sink.count)\n"
               "        with open(path + '.part', 'wb') as f:\n"
               "            f.write(envelope.original_content)\n"
               "        os.replace(path + '.part', path)\n"
               "        return '250 OK queued'\n"
               "controller = Controller(Sink(), hostname='127.0.0.1', port=port)\n"
               "controller.start()\n"
               "while True:\n"
               "    time.sleep(3600)\n");
    file.close();
    return process.start(
        python, {script, process.dir(), QString::number(port)},
        [port] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        },
        error);
}

bool startSessionBus(HelperProcess &process, QString *address, QString *error) {
    const QString program = HelperProcess::find(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) {
        if (error) *error = QStringLiteral("dbus-daemon is not installed (package dbus)");
        return false;
    }
    const QString socket = process.file(QStringLiteral("bus"));
    *address = QStringLiteral("unix:path=") + socket;
    return process.start(
        program,
        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
         QStringLiteral("--address=") + *address},
        [socket] { return QFileInfo::exists(socket); }, error);
}
