// mq update-check [--server [https://]HOST[:PORT]] [--ca-file FILE]: the update
// check of the Help menu.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqOutput.h"
#include "app/mq/NetArgs.h"
#include "base/AppPaths.h"
#include "update/UpdateCheck.h"
#include "update/UpdateConfig.h"

#include <QEventLoop>

namespace {
int runUpdateCheck(const QStringList &args) {
    ArgCursor cursor(args);
    HostPort server = UpdateConfig::UpdateServer();
    bool tls = UpdateConfig::UpdateServerTls();
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        QString value;
        if (a == QLatin1String("--server") && cursor.value(value)) {
            if (!UpdateConfig::ParseServer(value, &server, &tls))
                return mqFail(QStringLiteral("update-check: --server takes [https://]HOST[:PORT]"));
        } else if (a == QLatin1String("--ca-file")) {
            if (const int status = takeCaFile(cursor, QStringLiteral("update-check")))
                return status;
        } else {
            return mqFail(QStringLiteral("update-check: unexpected argument '%1'").arg(a));
        }
    }
    UpdateCheck check;
    check.tls = tls;
    QEventLoop loop;
    QObject::connect(&check, &UpdateCheck::finished, &loop, &QEventLoop::quit);
    check.Start(server.host, server.port, AppPaths().AppVersion);
    if (check.isRunning()) loop.exec();
    const UpdateVerdict &verdict = check.verdict();
    printLine("{\"label\":" + jsonString(check.label()) +
              ",\"newer\":" + (verdict.newer ? "true" : "false") +
              ",\"downSite\":" + jsonString(verdict.downSite) + "}");
    return 0;
}
} // namespace

MQ_COMMAND("update-check", "update-check [--server [https://]HOST[:PORT]] [--ca-file FILE]",
           runUpdateCheck);
