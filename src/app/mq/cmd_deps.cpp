// mq deps FILE [--base URL] [--flashvars TEXT]: the addresses of the files a
// movie loads as it runs, one a line.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqOutput.h"
#include "movies/MovieCheck.h"
#include "movies/MovieDeps.h"

namespace {
int run(const QStringList &args) {
    QString file, base, flashvars;
    ArgCursor cursor(args);
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        bool ok = true;
        if (a == QLatin1String("--base"))
            ok = cursor.value(base);
        else if (a == QLatin1String("--flashvars"))
            ok = cursor.value(flashvars);
        else if (a.startsWith(QLatin1String("--")) || !file.isEmpty())
            return mqFail(QStringLiteral("deps: unexpected argument '%1'").arg(a));
        else
            file = a;
        if (!ok) return mqFail(QStringLiteral("deps: %1 needs a value").arg(a));
    }
    if (file.isEmpty())
        return mqFail(QStringLiteral("usage: mq deps FILE [--base URL] [--flashvars TEXT]"));
    QString error;
    const MovieEntry entry = MovieCheck::complete(MovieCache(), file, false, &error);
    if (!error.isEmpty()) return mqFail(QStringLiteral("deps: ") + error);
    for (const QString &address :
         MovieDeps::resolve(entry.names + MovieDeps::fromFlashVars(flashvars), base))
        printLine(address.toUtf8());
    return 0;
}
} // namespace

MQ_COMMAND("deps", "deps FILE [--base URL] [--flashvars TEXT]   (the files a movie loads)", run);
