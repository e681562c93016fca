#include "mail/SmtpText.h"

#include <QRegularExpression>

bool SmtpText::ReplyHasCode(const QByteArray &reply, const QByteArray &code) {
    return !code.isEmpty() && reply.toLower().contains(code.toLower());
}

QString SmtpText::ReplyText(const QByteArray &reply) {
    QByteArray text = reply;
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    return QString::fromLatin1(text);
}

QString SmtpText::MailDomain(const QString &recipient) {
    const int at = int(recipient.indexOf(QLatin1Char('@')));
    return at < 0 ? recipient : recipient.mid(at + 1);
}

QString SmtpText::RefusedAddress(const QString &address) {
    for (const QChar c : address)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("The address \"%1\" holds a line break or control character")
                .arg(QString(address).replace(
                    QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")), QStringLiteral("?")));
    return QString();
}

QString SmtpText::RefusedSubject(const QString &subject) {
    if (subject.contains(QLatin1Char('\r')) || subject.contains(QLatin1Char('\n')))
        return QStringLiteral("The subject holds a line break");
    return QString();
}

QString SmtpText::DateText(const QDateTime &when, const QLocale &locale) {
    return locale.toString(when, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")) +
           QStringLiteral(" -0600");
}

QByteArray SmtpText::HeaderBlock(const QString &from, const QString &date, const QString &to,
                                 const QString &subject) {
    return "From: " + from.toLatin1() + "\r\nDate: " + date.toLatin1() +
           "\r\nX-Mailer: Moorquill Mailer\r\nTo: " + to.toLatin1() +
           "\r\nSubject: " + subject.toLatin1() + "\r\n";
}

QByteArray SmtpText::ContentBytes(const QString &content) {
    QString text = content;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QByteArray bytes;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('.'))) bytes += '.';
        bytes += line.toLatin1() + "\r\n";
    }
    return bytes;
}
