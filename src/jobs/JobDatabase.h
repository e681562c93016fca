#pragma once

#include <QString>

class CategoryStore;
class JobTable;

// Outcome of loading the job database. A damaged file (cut short, missing end
// record, a category whose parent is unknown) is not fatal: loading stops at
// the damaged point and keeps what was read before it.
struct DbLoadResult {
    bool damaged = false;
    QString error;      // what was wrong, for the user (empty when not damaged)
    qint64 offset = -1; // byte offset of the damage
    QString backupPath; // copy of the damaged file kept beside it
    int categories = 0; // category records added
    int jobs = 0;       // job records read
};

// Reads the file into the tree (categories below their parents; the fixed
// node "Downloaded" must exist) and appends its jobs to the table.
DbLoadResult LoadJobDatabase(CategoryStore &tree, JobTable &jobs, const QString &path);

// Writes the whole file: categories below "Downloaded" in pre-order, the end
// record, then every job except those keyed "Recely_Really" or empty. The file
// is written to a temporary file and renamed over the old one.
bool SaveJobDatabase(const CategoryStore &tree, const JobTable &jobs, const QString &path,
                     QString *error = nullptr);
