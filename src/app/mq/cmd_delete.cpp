// mq delete: the Delete command of the job lists, by record index.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqDatabase.h"
#include "jobs/CategoryTree.h"
#include "jobs/DbCommit.h"
#include "jobs/JobEdit.h"
#include "session/AppCore.h"

namespace {
constexpr int kSomeFailed = 2;

int run(const QStringList &args) {
    QString db;
    bool files = false;
    QVector<int> indexes;
    ArgCursor cursor(args);
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        if (a == QLatin1String("--db")) {
            if (!cursor.value(db)) return mqFail(QStringLiteral("delete: --db needs a value"));
        } else if (a == QLatin1String("--files")) {
            files = true;
        } else {
            bool ok = false;
            const int index = a.toInt(&ok);
            if (!ok) return mqFail(QStringLiteral("delete: unexpected argument '%1'").arg(a));
            indexes.append(index);
        }
    }
    if (indexes.isEmpty())
        return mqFail(QStringLiteral("usage: mq delete --db FILE [--files] INDEX..."));
    AppCore core;
    const QString error = openMqDatabase(core, db);
    if (!error.isEmpty()) return mqFail(QStringLiteral("delete: ") + error);
    QStringList problems;
    const DbCommit commit = core.dbCommit();
    for (int index : indexes) {
        if (!core.DownJobs.isValid(index)) {
            problems.append(QStringLiteral("no job %1").arg(index));
            continue;
        }
        const DownJobRecord &job = core.DownJobs[index];
        // Unfinished jobs are deleted as in the list of jobs in progress,
        // finished ones as in the completed list of their category.
        const JobEdit::DeleteKind kind = job.State != StateComplete
                                             ? JobEdit::DeleteKind::Unfinished
                                             : JobEdit::deleteKindFor(3, job.CategoryKey);
        const EditResult result =
            JobEdit::deleteJobs(core.DownJobs, core.lists, kind, {index}, files, commit);
        if (!result.message.isEmpty()) problems.append(result.message);
    }
    if (!problems.isEmpty())
        return mqFail(QStringLiteral("delete: ") + problems.join(QStringLiteral("; ")),
                      kSomeFailed);
    return 0;
}
} // namespace

MQ_COMMAND("delete", "delete --db FILE [--files] INDEX...   (delete jobs as the job lists do)",
           run);
