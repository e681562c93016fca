// mq import: files already on disk become finished jobs of a category.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqDatabase.h"
#include "app/mq/MqOutput.h"
#include "jobs/DbCommit.h"
#include "jobs/ImportFiles.h"
#include "session/AppCore.h"

#include <QFileInfo>

namespace {
constexpr int kSomeFailed = 2;

int run(const QStringList &args) {
    QString db, category;
    bool move = false;
    QStringList paths;
    ArgCursor cursor(args);
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        bool ok = true;
        if (a == QLatin1String("--db"))
            ok = cursor.value(db);
        else if (a == QLatin1String("--category"))
            ok = cursor.value(category);
        else if (a == QLatin1String("--move"))
            move = true;
        else if (a.startsWith(QLatin1String("--")))
            return mqFail(QStringLiteral("import: unexpected argument '%1'").arg(a));
        else
            paths.append(a);
        if (!ok) return mqFail(QStringLiteral("import: %1 needs a value").arg(a));
    }
    if (category.isEmpty() || paths.isEmpty())
        return mqFail(QStringLiteral("usage: mq import --db FILE --category KEY [--move] PATH..."));
    AppCore core;
    const QString error = openMqDatabase(core, db);
    if (!error.isEmpty()) return mqFail(QStringLiteral("import: ") + error);
    if (!core.tree.contains(category))
        return mqFail(QStringLiteral("import: no category %1").arg(category));

    // A folder imports every file in it, as the batch import with all rows checked.
    QVector<ImportFiles::Item> items;
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir()) {
            for (const ImportFiles::FileRow &row :
                 ImportFiles::listFolder(path, QStringLiteral("*")))
                items.append({row.path, {}, {}});
        } else {
            items.append({path, {}, {}});
        }
    }
    QVector<int> added;
    const EditResult result = ImportFiles::importItems(core.tree, core.DownJobs, category, items,
                                                       move, {}, core.dbCommit(), &added);
    for (int job : added)
        printLine(core.DownJobs[job].SavePath.toUtf8());
    if (!result.message.isEmpty())
        return mqFail(QStringLiteral("import: ") + result.message, kSomeFailed);
    return 0;
}
} // namespace

MQ_COMMAND("import", "import --db FILE --category KEY [--move] PATH...   (files on disk as jobs)",
           run);
