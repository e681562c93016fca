// mq export --db FILE --category KEY OUTFILE: the download list of one
// category, as the File menu's export writes it.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "dialogs/DownloadList.h"
#include "jobs/CategoryStore.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "jobs/JobTable.h"

#include <QFile>
#include <QFileInfo>

namespace {
int runExport(const QStringList &args) {
    QString db, key, out;
    ArgCursor cursor(args);
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        bool ok = true;
        if (a == QLatin1String("--db"))
            ok = cursor.value(db);
        else if (a == QLatin1String("--category"))
            ok = cursor.value(key);
        else if (!a.startsWith(QLatin1String("--")) && out.isEmpty())
            out = a;
        else
            return mqFail(QStringLiteral("export: unexpected argument '%1'").arg(a));
        if (!ok) return mqFail(QStringLiteral("export: %1 needs a value").arg(a));
    }
    if (db.isEmpty() || key.isEmpty() || out.isEmpty())
        return mqFail(QStringLiteral("usage: mq export --db FILE --category KEY OUTFILE"));
    if (!QFileInfo(db).isFile())
        return mqFail(QStringLiteral("export: %1: no such job database").arg(db));
    QFile file(db);
    if (!file.open(QIODevice::ReadOnly))
        return mqFail(QStringLiteral("export: cannot read %1: %2").arg(db, file.errorString()));
    CategoryStore tree;
    AddFixedNodes(tree, {});
    JobTable jobs;
    const DbLoadResult loaded = ReadJobDatabase(tree, jobs, file.readAll());
    if (loaded.damaged)
        mqFail(QStringLiteral("export: %1: %2 (exporting what was read)").arg(db, loaded.error), 0);
    if (!tree.contains(key)) return mqFail(QStringLiteral("export: no category '%1'").arg(key));
    QString error;
    if (!DownloadList::exportToFile(jobs, key, out, &error))
        return mqFail(QStringLiteral("export: ") + error);
    return 0;
}
} // namespace

MQ_COMMAND("export", "export --db FILE --category KEY OUTFILE   (the category's download list)",
           runExport);
