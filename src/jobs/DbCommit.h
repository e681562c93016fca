#pragma once

#include "jobs/JobDbIo.h"

#include <QString>

struct AppCore;

// Writes the job database of `core` at once after an editing command, so
// that a crash never loses the change (the writer replaces the file through
// a temporary file).
struct DbCommit {
    AppCore &core;
    JobDbIo io;

    // Empty on success, else a message naming the file and the reason.
    QString operator()() const;
};
