#include "jobs/ImportFiles.h"

#include "base/OleDate.h"
#include "jobs/CategoryEdit.h"
#include "jobs/CategoryStore.h"
#include "jobs/DbCommit.h"
#include "jobs/JobTable.h"

#include <QDir>
#include <QFileInfo>
#include <limits>

namespace ImportFiles {

QStringList fileTypes() {
    return {QStringLiteral("*.swf"), QStringLiteral("*.zip")};
}

QString folderText(const QString &folder) {
    return CategoryEdit::folderTag(folder);
}

QVector<FileRow> listFolder(const QString &folder, const QString &pattern) {
    QVector<FileRow> rows;
    if (folder.isEmpty()) return rows;
    QDir dir(folder);
    const QFileInfoList files =
        dir.entryInfoList({pattern.isEmpty() ? QStringLiteral("*") : pattern},
                          QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &info : files)
        rows.append(FileRow{info.fileName(), info.size(), info.lastModified(),
                            folderText(folder) + info.fileName()});
    return rows;
}

DownJobRecord importRecord(const QString &categoryKey, const QString &savePath, qint64 size,
                           const QString &url, const QString &comment, double now) {
    DownJobRecord r;
    r.State = StateComplete;
    r.CategoryKey = categoryKey;
    r.SavePath = savePath;
    r.TotalSize = qint32(size);
    r.Received = qint32(size);
    r.Url = url;
    r.Comment = comment;
    r.CreateTime = now;
    return r;
}

EditResult importItems(const CategoryStore &tree, JobTable &table, const QString &categoryKey,
                       const QVector<Item> &items, bool move, const FileMove::AskOverwrite &ask,
                       const DbCommit &commit, QVector<int> *added) {
    if (!tree.contains(categoryKey))
        return EditResult::fail(QStringLiteral("No category %1.").arg(categoryKey));
    const QString folder = tree.find(categoryKey)->tag;
    EditResult result;
    for (const Item &item : items) {
        const QFileInfo info(item.path);
        if (!info.isFile()) {
            result.addMessage(QStringLiteral("The File Not Found! %1").arg(item.path));
            continue;
        }
        if (info.size() > std::numeric_limits<qint32>::max()) {
            result.addMessage(
                QStringLiteral("The file is too large to be listed: %1").arg(item.path));
            continue;
        }
        if (table.isFull()) {
            result.addMessage(QStringLiteral("The job list is full: %1").arg(item.path));
            continue;
        }
        QString path = info.absoluteFilePath();
        if (move) {
            const QString target = FileMove::joinPath(folder, info.fileName());
            if (QFileInfo(target).absoluteFilePath() != path) {
                const FileMove::Result moved = FileMove::moveFile(path, target, ask);
                if (moved.outcome == FileMove::Outcome::Skipped)
                    result.addMessage(QStringLiteral("File existed! %1").arg(target));
                else if (!moved.message.isEmpty())
                    result.addMessage(moved.message);
                if (!moved.done()) continue;
                path = target;
            }
        }
        const int index = table.add(
            importRecord(categoryKey, path, info.size(), item.url, item.comment, OleDate::now()));
        if (added) added->append(index);
        result.changed = true;
    }
    if (!result.message.isEmpty()) result.ok = false;
    if (result.changed) {
        const QString error = commit();
        if (!error.isEmpty()) result.addMessage(error);
    }
    return result;
}

} // namespace ImportFiles
