#include "jobs/JobDatabase.h"

#include "jobs/CategoryStore.h"
#include "jobs/JobTable.h"

// Placeholder until the file format is implemented.
DbLoadResult LoadJobDatabase(CategoryStore &, JobTable &, const QString &) {
    return {};
}

bool SaveJobDatabase(const CategoryStore &, const JobTable &, const QString &, QString *) {
    return true;
}
