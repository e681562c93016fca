// mq mail --from ADDR --to ADDR ...: the tell-a-friend mail dialogue, with
// every status line printed as it is logged.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqDns.h"
#include "app/mq/MqOutput.h"
#include "mail/SmtpDialogue.h"
#include "mail/modMXQuery.h"

#include <QEventLoop>
#include <QFile>

namespace {
int runMail(const QStringList &args) {
    ArgCursor cursor(args);
    SmtpDialogue::Message message;
    message.subject = QStringLiteral("Hi, A good software - - Moorquill");
    QString dns, bodyFile, port;
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        QString *into = a == QLatin1String("--from")        ? &message.from
                        : a == QLatin1String("--to")        ? &message.to
                        : a == QLatin1String("--subject")   ? &message.subject
                        : a == QLatin1String("--body-file") ? &bodyFile
                        : a == QLatin1String("--dns")       ? &dns
                        : a == QLatin1String("--smtp-port") ? &port
                                                            : nullptr;
        if (!into) return mqFail(QStringLiteral("mail: unexpected argument '%1'").arg(a));
        if (!cursor.value(*into)) return mqFail(QStringLiteral("mail: %1 needs a value").arg(a));
    }
    if (message.from.isEmpty() || message.to.isEmpty())
        return mqFail(QStringLiteral("mail: --from and --to are required"));
    if (!bodyFile.isEmpty()) {
        QFile file(bodyFile);
        if (!file.open(QIODevice::ReadOnly))
            return mqFail(QStringLiteral("mail: %1: %2").arg(bodyFile, file.errorString()));
        message.content = QString::fromUtf8(file.readAll());
    }
    modMXQuery mx;
    setUpDnsServer(mx, dns);
    SmtpDialogue dialogue(mx);
    if (!port.isEmpty()) {
        bool ok = false;
        const uint number = port.toUInt(&ok);
        if (!ok || number < 1 || number > 65535)
            return mqFail(QStringLiteral("mail: --smtp-port takes a number from 1 to 65535"));
        dialogue.port = quint16(number);
    }
    QEventLoop loop;
    bool sent = false;
    QObject::connect(&dialogue, &SmtpDialogue::logged, &dialogue,
                     [](const QString &line) { printLine(line.toUtf8()); });
    QObject::connect(&dialogue, &SmtpDialogue::finished, &loop, [&](bool ok) {
        sent = ok;
        loop.quit();
    });
    dialogue.Send(message);
    if (dialogue.isRunning()) loop.exec();
    return sent ? 0 : 2;
}
} // namespace

MQ_COMMAND("mail",
           "mail --from ADDR --to ADDR [--subject TEXT] [--body-file FILE] [--dns HOST[:PORT]] "
           "[--smtp-port N]",
           runMail);
