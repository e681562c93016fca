#include "mail/SmtpDialogue.h"

#include "mail/MxQueryError.h"
#include "mail/SmtpText.h"
#include "mail/modMXQuery.h"

#include <QDateTime>
#include <QHostInfo>
#include <QLocale>
#include <QTcpSocket>
#include <QTimer>

SmtpDialogue::SmtpDialogue(modMXQuery &mx, QObject *parent)
    : QObject(parent), m_mx(mx), m_socket(new QTcpSocket(this)), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &SmtpDialogue::onTimeout);
    connect(m_socket, &QTcpSocket::readyRead, this, &SmtpDialogue::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] {
        // A connection that cannot be made needs no wait for its greeting.
        if (m_step == Greeting && m_timer->isActive() &&
            m_socket->state() != QAbstractSocket::ConnectedState)
            end(false, QStringLiteral("Can't connect the email server..."));
    });
}

SmtpDialogue::~SmtpDialogue() {
    m_socket->abort();
}

void SmtpDialogue::Send(const Message &message) {
    if (isRunning()) return;
    QString refused = SmtpText::RefusedAddress(message.from);
    if (refused.isEmpty()) refused = SmtpText::RefusedAddress(message.to);
    if (refused.isEmpty()) refused = SmtpText::RefusedSubject(message.subject);
    if (!refused.isEmpty()) {
        AddLog(QStringLiteral("Error ! ") + refused);
        emit finished(false);
        return;
    }
    m_step = Greeting; // busy from here: the lookup lets events run
    m_message = message;
    AddLog(QStringLiteral("Resolve the email server address..."));
    try {
        m_server = m_mx.MXQuery(SmtpText::MailDomain(message.to));
    } catch (const MxQueryError &error) {
        end(false, QStringLiteral("Error ! ") + error.description());
        return;
    }
    if (m_server.isEmpty()) {
        end(false, QStringLiteral("Error !"));
        return;
    }
    m_socket->abort();
    LastReply.clear();
    m_socket->connectToHost(m_server, port);
    AddLog(QStringLiteral("Connect to ") + m_server + QStringLiteral(" Port ") +
           QString::number(port) + QStringLiteral(" ..."));
    WaitReply(Greeting, "220", 10, "Can't connect the email server...");
}

void SmtpDialogue::WaitReply(Step step, const char *code, int seconds, const char *failText) {
    m_step = step;
    m_code = code;
    m_failText = QLatin1String(failText);
    if (SmtpText::ReplyHasCode(LastReply, m_code)) {
        LastReply.clear();
        advance();
        return;
    }
    // Ends once more than `seconds` whole seconds of the clock have passed.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 deadline = (now / secondMs + seconds + 1) * secondMs;
    m_timer->start(int(deadline - now));
}

void SmtpDialogue::onReadyRead() {
    const QByteArray data = m_socket->readAll();
    if (data.isEmpty()) return;
    LastReply = data;
    AddLog(SmtpText::ReplyText(data));
    if (m_step != Idle && m_timer->isActive() && SmtpText::ReplyHasCode(LastReply, m_code)) {
        m_timer->stop();
        LastReply.clear();
        advance();
    }
}

void SmtpDialogue::onTimeout() {
    LastReply.clear();
    end(false, m_failText);
}

bool SmtpDialogue::SendLine(const QByteArray &bytes) {
    if (m_socket->state() != QAbstractSocket::ConnectedState || m_socket->write(bytes) < 0) {
        end(false, QStringLiteral("Error !"));
        return false;
    }
    return true;
}

void SmtpDialogue::advance() {
    const Message &m = m_message;
    switch (m_step) {
    case Greeting: {
        AddLog(QStringLiteral("Connect Success"));
        const QString name = helloName.isEmpty() ? QHostInfo::localHostName() : helloName;
        if (!SendLine("HELO " + name.toLatin1() + "\r\n")) return;
        AddLog(QStringLiteral("SendCommand: Helo"));
        WaitReply(Hello, "250", 10, "Can't open the email sending");
        break;
    }
    case Hello:
        if (!SendLine("MAIL FROM: " + m.from.toLatin1() + "\r\n")) return;
        AddLog(QStringLiteral("SendCommand:MAIL FROM: ") + m.from);
        WaitReply(Sender, "250", 10, "Can't send the mail from address");
        break;
    case Sender:
        if (!SendLine("RCPT TO: " + m.to.toLatin1() + "\r\n")) return;
        AddLog(QStringLiteral("SendCommand:RCPT TO: ") + m.to);
        WaitReply(Recipient, "250", 10, "Can't send the receiver's address ");
        break;
    case Recipient:
        if (!SendLine("DATA\r\n")) return;
        AddLog(QStringLiteral("Send Message ... "));
        WaitReply(Data, "354", 10, "Can't send the message body");
        break;
    case Data: {
        const QString date = SmtpText::DateText(QDateTime::currentDateTime(), QLocale::system());
        if (!SendLine(SmtpText::HeaderBlock(m.from, date, m.to, m.subject) + "\r\n") ||
            !SendLine(SmtpText::ContentBytes(m.content)) || !SendLine(".\r\n"))
            return;
        WaitReply(Body, "250", 20, "Message body send failure");
        break;
    }
    case Body:
        if (!SendLine("QUIT\r\n")) return;
        WaitReply(Quit, "221", 10, "");
        break;
    case Quit:
        m_socket->disconnectFromHost();
        end(true, QStringLiteral("Message send succeed"));
        break;
    case Idle:
        break;
    }
}

void SmtpDialogue::end(bool sent, const QString &line) {
    m_timer->stop();
    m_step = Idle;
    if (!line.isEmpty()) AddLog(line);
    emit finished(sent);
}
