// mq cache URL [--out FILE] [--cache-dir DIR]...: looks a movie address up in
// the browsers' disk caches and copies its (decoded) body out.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqOutput.h"
#include "browser/BrowserCache.h"
#include "browser/CacheSave.h"

#include <QFile>

namespace {
int runCache(const QStringList &args) {
    ArgCursor cursor(args);
    QString url, out;
    QStringList dirs;
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        if (a == QLatin1String("--out")) {
            if (!cursor.value(out)) return mqFail(QStringLiteral("cache: --out needs a file"));
        } else if (a == QLatin1String("--cache-dir")) {
            QString dir;
            if (!cursor.value(dir))
                return mqFail(QStringLiteral("cache: --cache-dir needs a folder"));
            dirs << dir;
        } else if (a.startsWith(QLatin1String("--")) || !url.isEmpty()) {
            return mqFail(QStringLiteral("cache: unexpected argument '%1'").arg(a));
        } else {
            url = a;
        }
    }
    if (url.isEmpty()) return mqFail(QStringLiteral("cache: no URL given"));
    BrowserCache cache =
        dirs.isEmpty() ? BrowserCache() : BrowserCache(CacheFolders::fromDirs(dirs));
    if (!cache.IsInCache(url)) {
        printLine("{\"hit\":false}");
        return 2;
    }
    const QString body = cache.CacheFileName();
    if (body.isEmpty()) return mqFail(QStringLiteral("cache: %1").arg(cache.error()));
    const qint64 length = QFile(body).size();
    if (!out.isEmpty()) {
        qint64 copied = 0;
        const QString error = CacheSave::copyFile(body, out, copied);
        if (!error.isEmpty())
            return mqFail(QStringLiteral("cache: cannot write %1: %2").arg(out, error));
    }
    printLine("{\"hit\":true,\"browser\":" + jsonString(cache.entry().browser) + ",\"entry\":" +
              jsonString(cache.entry().path) + ",\"length\":" + QByteArray::number(length) + "}");
    return 0;
}
} // namespace

MQ_COMMAND("cache", "cache URL [--out FILE] [--cache-dir DIR]...", runCache);
