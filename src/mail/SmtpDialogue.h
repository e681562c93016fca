#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;
class modMXQuery;

// The tell-a-friend mail dialogue: finds the recipient's mail server through
// the MX lookup, then speaks SMTP to it step by step (greeting, HELO, MAIL
// FROM, RCPT TO, DATA, the message, QUIT). Every step is reported as a status
// line through `logged`; each step waits for its reply code with a time-out
// in whole seconds.
class SmtpDialogue : public QObject {
    Q_OBJECT
public:
    struct Message {
        QString from, to, subject, content;
    };

    explicit SmtpDialogue(modMXQuery &mx, QObject *parent = nullptr);
    ~SmtpDialogue() override;

    // Starts a send; ignored while one runs. Ends with `finished`.
    void Send(const Message &message);
    bool isRunning() const { return m_step != Idle; }

    quint16 port = 25;   // the mail server's port
    int secondMs = 1000; // one second of the waits (tests shorten it)
    QString helloName;   // sent after HELO; the machine's host name when empty

signals:
    void logged(const QString &line); // AddLog
    void finished(bool sent);

private:
    enum Step { Idle, Greeting, Hello, Sender, Recipient, Data, Body, Quit };
    void AddLog(const QString &line) { emit logged(line); }
    void WaitReply(Step step, const char *code, int seconds, const char *failText);
    void onReadyRead();
    void onTimeout();
    void advance();
    bool SendLine(const QByteArray &bytes);
    void end(bool sent, const QString &line);

    modMXQuery &m_mx;
    QTcpSocket *m_socket;
    QTimer *m_timer;
    Step m_step = Idle;
    QByteArray m_code;
    QString m_failText;
    QByteArray LastReply;
    Message m_message;
    QString m_server;
};
