// mq update-check [--server HOST[:PORT]]: the update check of the Help menu.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqOutput.h"
#include "core/AppPaths.h"
#include "update/UpdateCheck.h"
#include "update/UpdateConfig.h"

#include <QEventLoop>

namespace {
int runUpdateCheck(const QStringList &args) {
    ArgCursor cursor(args);
    HostPort server = UpdateConfig::UpdateServer();
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        QString value;
        if (a != QLatin1String("--server") || !cursor.value(value))
            return mqFail(QStringLiteral("update-check: unexpected argument '%1'").arg(a));
        if (!HostPort::Parse(value, 80, server))
            return mqFail(QStringLiteral("update-check: --server takes HOST[:PORT]"));
    }
    UpdateCheck check;
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

MQ_COMMAND("update-check", "update-check [--server HOST[:PORT]]", runUpdateCheck);
