#include "common/SmtpSink.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

SmtpSink::SmtpSink(QObject *parent) : QTcpServer(parent) {
    m_steps["GREETING"].reply = "220 sink.test ESMTP ready\r\n";
    m_steps["HELO"].reply = "250 sink.test\r\n";
    m_steps["MAIL"].reply = "250 2.1.0 Ok\r\n";
    m_steps["RCPT"].reply = "250 2.1.5 Ok\r\n";
    m_steps["DATA"].reply = "354 End data with <CR><LF>.<CR><LF>\r\n";
    m_steps["MESSAGE"].reply = "250 2.0.0 Ok: queued\r\n";
    m_steps["QUIT"].reply = "221 2.0.0 Bye\r\n";
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, &SmtpSink::onNewConnection);
}

void SmtpSink::respond(QTcpSocket *sock, const QByteArray &stepName) {
    const Step step = m_steps.value(stepName);
    if (step.silent) return;
    QPointer<QTcpSocket> guard(sock);
    const int pieces = qMax(1, step.pieces);
    for (int i = 0; i < pieces; ++i) {
        const int from = int(step.reply.size()) * i / pieces;
        const int to = int(step.reply.size()) * (i + 1) / pieces;
        const QByteArray piece = step.reply.mid(from, to - from);
        QTimer::singleShot(step.delayMs + i * step.pieceGapMs, this, [guard, piece] {
            if (guard && guard->state() == QAbstractSocket::ConnectedState) {
                guard->write(piece);
                guard->flush();
            }
        });
    }
}

void SmtpSink::onNewConnection() {
    while (QTcpSocket *sock = nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        auto inData = std::make_shared<bool>(false);
        connect(sock, &QTcpSocket::disconnected, sock, &QObject::deleteLater);
        connect(sock, &QTcpSocket::readyRead, this, [this, sock, buffer, inData] {
            buffer->append(sock->readAll());
            for (;;) {
                if (*inData) {
                    const int end =
                        buffer->startsWith(".\r\n") ? 0 : int(buffer->indexOf("\r\n.\r\n"));
                    if (end < 0) return;
                    message = buffer->left(end == 0 ? 0 : end + 2);
                    buffer->remove(0, end == 0 ? 3 : end + 5);
                    *inData = false;
                    respond(sock, "MESSAGE");
                    continue;
                }
                const int eol = int(buffer->indexOf("\r\n"));
                if (eol < 0) return;
                const QByteArray line = buffer->left(eol);
                buffer->remove(0, eol + 2);
                commands.append(line);
                const QByteArray verb = line.split(' ').value(0).toUpper();
                if (verb == "DATA") *inData = true;
                respond(sock, m_steps.contains(verb) ? verb : QByteArray("UNKNOWN"));
            }
        });
        respond(sock, "GREETING");
    }
}
