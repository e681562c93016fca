// mq mx DOMAIN [--dns HOST[:PORT]]: the MX lookup of the tell-a-friend mailer.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqDns.h"
#include "app/mq/MqOutput.h"
#include "mail/MxQueryError.h"
#include "mail/modMXQuery.h"

namespace {
int runMx(const QStringList &args) {
    ArgCursor cursor(args);
    QString domain, dns;
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        if (a == QLatin1String("--dns")) {
            if (!cursor.value(dns)) return mqFail(QStringLiteral("mx: --dns needs HOST[:PORT]"));
        } else if (a.startsWith(QLatin1String("--")) || !domain.isEmpty()) {
            return mqFail(QStringLiteral("mx: unexpected argument '%1'").arg(a));
        } else {
            domain = a;
        }
    }
    if (domain.isEmpty()) return mqFail(QStringLiteral("mx: no domain given"));
    modMXQuery mx;
    setUpDnsServer(mx, dns);
    QString best;
    try {
        best = mx.MXQuery(domain);
    } catch (const MxQueryError &error) {
        return mqFail(error.description(), 1);
    }
    QByteArray hosts;
    for (const MxEntry &entry : mx.MxHosts)
        hosts += QByteArray(hosts.isEmpty() ? "" : ",") + "{\"host\":" + jsonString(entry.host) +
                 ",\"preference\":" + QByteArray::number(entry.preferenceNumber()) + "}";
    printLine("{\"best\":" + jsonString(best) + ",\"hosts\":[" + hosts + "]}");
    return best.isEmpty() ? 2 : 0;
}
} // namespace

MQ_COMMAND("mx", "mx DOMAIN [--dns HOST[:PORT]]", runMx);
