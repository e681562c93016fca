#pragma once

#include "jobs/JobDbIo.h"

#include <QString>

class CategoryStore;
class JobTable;

// Writes the job database at once after an editing command, so that a crash
// never loses the change (the writer replaces the file through a temporary
// file). Nothing is written while `dbPath` is empty.
struct DbCommit {
    const CategoryStore &tree;
    const JobTable &jobs;
    const QString &dbPath;
    JobDbIo io;

    // Empty on success, else a message naming the file and the reason.
    QString operator()() const;
};
