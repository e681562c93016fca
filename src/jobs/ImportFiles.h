#pragma once

#include "jobs/EditResult.h"
#include "jobs/FileMove.h"

#include <QDateTime>
#include <QString>
#include <QVector>

class CategoryStore;
class JobTable;
struct DbCommit;
struct DownJobRecord;

// Import of files already on disk as finished jobs.
namespace ImportFiles {

// One file of a folder listing.
struct FileRow {
    QString name;
    qint64 size = 0;
    QDateTime modified;
    QString path; // the folder followed by the name
};

// The file types of the batch import.
QStringList fileTypes(); // "*.swf", "*.zip"
// AddFiletoLv: the files of `folder` matching `pattern` (any case), by name.
QVector<FileRow> listFolder(const QString &folder, const QString &pattern);
// `folder` with '/' appended when missing.
QString folderText(const QString &folder);

// One file to import with what its record takes from the dialog.
struct Item {
    QString path;
    QString url;
    QString comment;
};

// The record of an imported file: complete, filed under `categoryKey`, its
// size as total and received, created `now`.
DownJobRecord importRecord(const QString &categoryKey, const QString &savePath, qint64 size,
                           const QString &url, const QString &comment, double now);

// Imports the items into `categoryKey`: each existing file becomes a job,
// moved first into the category's folder when `move` is set. A file that is
// missing, too large, or cannot be moved adds no job and is named in the
// message; an existing target is overwritten only when `ask` says yes. The
// job database is written once at the end. `added` receives the new jobs.
EditResult importItems(const CategoryStore &tree, JobTable &table, const QString &categoryKey,
                       const QVector<Item> &items, bool move, const FileMove::AskOverwrite &ask,
                       const DbCommit &commit, QVector<int> *added = nullptr);

} // namespace ImportFiles
