#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>

class QTcpSocket;

// A scripted SMTP server on 127.0.0.1 for the mail dialogue tests. Each step
// ("GREETING", "HELO", "MAIL", "RCPT", "DATA", "MESSAGE" for the end of the
// message, "QUIT") has its reply, a delay, a number of pieces the reply is
// written in, or no reply at all. It records the command lines and the
// message as received (dot-doubling left as sent).
class SmtpSink : public QTcpServer {
    Q_OBJECT
public:
    struct Step {
        QByteArray reply;
        int delayMs = 0;
        int pieces = 1;
        int pieceGapMs = 30;
        bool silent = false;
    };

    explicit SmtpSink(QObject *parent = nullptr);
    quint16 port() const { return serverPort(); }
    Step &step(const QByteArray &name) { return m_steps[name]; }

    QList<QByteArray> commands; // command lines without CR LF
    QByteArray message;         // bytes between DATA and the final "." line

private:
    void onNewConnection();
    void respond(QTcpSocket *sock, const QByteArray &stepName);
    QHash<QByteArray, Step> m_steps;
};
