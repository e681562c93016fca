#include "jobs/JobEdit.h"

#include "jobs/CategoryEdit.h"
#include "jobs/CategoryStore.h"
#include "jobs/CategoryTree.h"
#include "jobs/DbCommit.h"
#include "jobs/JobLists.h"
#include "jobs/JobTable.h"
#include "jobs/ListTexts.h"

#include <QFileInfo>

namespace JobEdit {
namespace {

void commitTo(EditResult &result, const DbCommit &commit) {
    result.changed = true;
    const QString error = commit();
    if (!error.isEmpty()) result.addMessage(error);
}

QString jobFileName(const DownJobRecord &job) {
    const QString name = FileMove::fileNameOf(job.SavePath);
    return name.isEmpty() ? job.FileName : name;
}

} // namespace

EditResult moveJobs(const CategoryStore &tree, JobTable &table, JobLists &lists,
                    const QVector<int> &jobs, const QString &targetKey, const QString &shownKey,
                    bool moveFiles, const FileMove::AskOverwrite &ask, const DbCommit &commit) {
    if (targetKey == shownKey) return {};
    if (!CategoryEdit::isFilingNode(tree, targetKey) && targetKey != TreeKey::Recely)
        return EditResult::fail(QStringLiteral("Please choose a category below \"Downloaded\"."));
    const QString folder = tree.find(targetKey)->tag;
    EditResult result;
    bool any = false;
    for (int index : jobs) {
        if (!table.isValid(index)) continue;
        DownJobRecord &job = table[index];
        if (job.CategoryKey == targetKey) continue;
        if (moveFiles && !moveJobFile(job, folder, ask, result)) continue; // the job stays
        job.CategoryKey = targetKey;
        lists.lvHaveDown.removeRowByKey(JobLists::haveDownKey(index));
        any = true;
    }
    if (any) commitTo(result, commit);
    return result;
}

bool moveJobFile(DownJobRecord &job, const QString &folder, const FileMove::AskOverwrite &ask,
                 EditResult &result) {
    if (job.SavePath.isEmpty()) return true;
    const QString target = FileMove::joinPath(folder, FileMove::fileNameOf(job.SavePath));
    if (QFileInfo(job.SavePath).absoluteFilePath() == QFileInfo(target).absoluteFilePath())
        return true;
    const FileMove::Result moved = FileMove::moveFile(job.SavePath, target, ask);
    if (!moved.message.isEmpty()) result.addMessage(moved.message);
    if (!moved.done()) return false;
    job.SavePath = target;
    return true;
}

EditResult setComment(JobTable &table, int job, const QString &comment, const DbCommit &commit) {
    if (!table.isValid(job)) return EditResult::fail(QStringLiteral("No job is selected."));
    table[job].Comment = comment;
    EditResult result;
    commitTo(result, commit);
    return result;
}

DeleteKind deleteKindFor(int view, const QString &nodeKey) {
    if (view == 2) return DeleteKind::Unfinished;
    return nodeKey == TreeKey::Recely ? DeleteKind::ForGood : DeleteKind::ToRecycle;
}

bool deleteAsks(DeleteKind kind) {
    return kind != DeleteKind::ToRecycle;
}

EditResult deleteJobs(JobTable &table, JobLists &lists, DeleteKind kind, const QVector<int> &jobs,
                      bool deleteFiles, const DbCommit &commit) {
    EditResult result;
    bool any = false;
    for (int index : jobs) {
        if (!table.isValid(index)) continue;
        DownJobRecord &job = table[index];
        if (job.CategoryKey == TreeKey::RecelyReally) continue;
        if (kind == DeleteKind::Unfinished) {
            if (job.State == StateComplete) continue;
            if (job.State == StateRunning) {
                result.addMessage(QStringLiteral("Can not delete a running job: %1").arg(job.Url));
                continue;
            }
        } else if (kind == DeleteKind::ForGood) {
            if (job.CategoryKey != TreeKey::Recely) continue;
        } else if (job.State != StateComplete) {
            continue;
        }
        if (deleteFiles && kind != DeleteKind::ToRecycle) {
            const FileMove::Result removed = FileMove::deleteFile(job.SavePath);
            if (!removed.done()) {
                result.addMessage(removed.message);
                continue;
            }
        }
        if (kind == DeleteKind::ToRecycle) {
            job.CategoryKey = TreeKey::Recely;
        } else {
            job.CategoryKey = TreeKey::RecelyReally;
            job.State = StateComplete;
        }
        lists.lvNowDown.removeRowByKey(JobLists::nowDownKey(index));
        lists.lvHaveDown.removeRowByKey(JobLists::haveDownKey(index));
        any = true;
    }
    if (!result.message.isEmpty()) result.ok = false;
    if (any) commitTo(result, commit);
    return result;
}

QString outputTarget(const QString &savePath, const QString &folder) {
    return FileMove::joinPath(folder, FileMove::fileNameOf(savePath));
}

FileMove::Result outputFile(const JobTable &jobs, int job, const QString &folder,
                            const FileMove::AskOverwrite &ask) {
    if (!jobs.isValid(job)) return {FileMove::Outcome::Skipped, {}};
    const QString source = jobs[job].SavePath.trimmed();
    return FileMove::copyFile(source, outputTarget(source, folder), ask);
}

EditResult rename(JobTable &table, JobLists &lists, int job, const QString &newName,
                  const DbCommit &commit) {
    if (!table.isValid(job)) return EditResult::fail(QStringLiteral("No job is selected."));
    const QString name = newName.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return EditResult::fail(QStringLiteral("Please Input FileName First!"));
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return EditResult::fail(QStringLiteral("A file name can not contain \"/\" or \"\\\"."));
    DownJobRecord &record = table[job];
    const QString folder = QFileInfo(record.SavePath).absolutePath();
    const QString target = FileMove::joinPath(folder, name);
    if (target == record.SavePath) return {};
    if (QFileInfo::exists(target))
        return EditResult::fail(QStringLiteral("File existed! %1").arg(target));
    const FileMove::Result moved = FileMove::moveFile(record.SavePath, target, {});
    if (!moved.done()) return EditResult::fail(moved.message);
    record.SavePath = target;
    record.FileName = name;
    EditResult result;
    const int row = lists.lvHaveDown.rowOfKey(JobLists::haveDownKey(job));
    if (row >= 0) {
        lists.lvHaveDown.setText(row, name);
        lists.lvHaveDown.setSubItem(row, 2, target);
    }
    commitTo(result, commit);
    return result;
}

int findRow(const ListRowModel &list, const JobTable &jobs, const QString &text, int afterRow) {
    const int n = list.count();
    if (text.isEmpty() || n == 0) return -1;
    for (int step = 1; step <= n; ++step) {
        const int r = ((afterRow + step) % n + n) % n;
        const int index = ListRowModel::leadingNumber(list.row(r).key);
        if (!jobs.isValid(index)) continue;
        const DownJobRecord &job = jobs[index];
        for (const QString &field : {jobFileName(job), job.Url, job.Comment})
            if (field.contains(text, Qt::CaseInsensitive)) return r;
    }
    return -1;
}

QString downInfoText(const JobTable &jobs, const QVector<int> &jobIndexes) {
    QString out;
    for (int index : jobIndexes) {
        if (!jobs.isValid(index)) continue;
        const DownJobRecord &job = jobs[index];
        const QPair<const char *, QString> rows[] = {
            {"File Name", jobFileName(job)},
            {"Local Path", job.SavePath},
            {"Create Time", ListTexts::generalDate(job.CreateTime)},
            {"Complete Time", ListTexts::generalDate(job.CompleteTime)},
            {"Average Speed", ListTexts::bytesPerSecond(job.AverageSpeed)},
            {"Total Size", QString::number(job.TotalSize)},
            {"Complete Size", QString::number(job.Received)},
            {"Url", job.Url},
            {"Referer", job.Referer},
            {"Comment", job.Comment}};
        for (const auto &row : rows)
            out += QString::fromLatin1(row.first) + QStringLiteral(": ") + row.second +
                   QLatin1Char('\n');
        out += QLatin1Char('\n');
    }
    return out;
}

} // namespace JobEdit
