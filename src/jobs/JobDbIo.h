#pragma once

#include "jobs/JobDatabase.h"

#include <functional>

// How the main window reaches the job database file. The defaults are the
// real reader and writer; tests and tools may put their own in.
struct JobDbIo {
    std::function<DbLoadResult(CategoryStore &, JobTable &, const QString &)> load =
        LoadJobDatabase;
    std::function<bool(const CategoryStore &, const JobTable &, const QString &, QString *)> save =
        SaveJobDatabase;
};
