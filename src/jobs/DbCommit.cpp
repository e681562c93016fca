#include "jobs/DbCommit.h"

QString DbCommit::operator()() const {
    QString error;
    if (dbPath.isEmpty() || !io.save) return {};
    if (io.save(tree, jobs, dbPath, &error)) return {};
    return QStringLiteral("Can not write %1: %2")
        .arg(dbPath, error.isEmpty() ? QStringLiteral("unknown error") : error);
}
