#include "jobs/DbCommit.h"

#include "core/AppCore.h"

QString DbCommit::operator()() const {
    QString error;
    if (core.paths.JobDbPath.isEmpty() || !io.save) return {};
    if (io.save(core.tree, core.DownJobs, core.paths.JobDbPath, &error)) return {};
    return QStringLiteral("Can not write %1: %2")
        .arg(core.paths.JobDbPath, error.isEmpty() ? QStringLiteral("unknown error") : error);
}
