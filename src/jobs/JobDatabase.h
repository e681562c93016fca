#pragma once

#include "jobs/CategoryStore.h"

#include <QByteArray>
#include <QString>

class JobTable;
class LeWriter;

// Outcome of loading the job database. A damaged file (cut short, missing end
// record, a category whose parent is unknown) is not fatal: loading stops at
// the damaged point and keeps what was read before it.
struct DbLoadResult {
    bool damaged = false;
    QString error;       // what was wrong, for the user (empty when not damaged)
    qint64 offset = -1;  // byte offset of the damage
    QString backupPath;  // copy of the damaged file kept beside it
    int categories = 0;  // category records added
    int jobs = 0;        // job records read
    bool filler = false; // some job record was followed by the 4-byte zero filler
};

// Reads the file into the tree (categories below their parents; the fixed
// node "Downloaded" must exist) and replaces the table's jobs with the file's.
// On damage a copy of the file is kept as "<path>.damaged-<UTC time>".
DbLoadResult LoadJobDatabase(CategoryStore &tree, JobTable &jobs, const QString &path);
// The same from bytes already in memory, without touching any file.
DbLoadResult ReadJobDatabase(CategoryStore &tree, JobTable &jobs, const QByteArray &data);

// Writes the whole file: categories below "Downloaded" in pre-order, the end
// record, then every job except those keyed "Recely_Really" or empty. The file
// is written to a temporary file and renamed over the old one.
bool SaveJobDatabase(const CategoryStore &tree, const JobTable &jobs, const QString &path,
                     QString *error = nullptr);
// The bytes SaveJobDatabase writes.
QByteArray JobDatabaseBytes(const CategoryStore &tree, const JobTable &jobs);

// Keys are written in Windows-1252 and cut to 65,535 bytes; two keys that are
// the same once written would make the file load as damaged. False when the
// tree holds such a pair (*first and *second name them).
bool CategoryKeysDistinctOnDisk(const CategoryStore &tree, QString *first, QString *second);

// Writes `count` sibling nodes starting at `first` and, after each node that
// has children, its children by the same rule (pre-order).
void WriteCategoryNodes(const CategoryStore::Node *first, int count, LeWriter &file);
