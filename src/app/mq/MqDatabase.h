#pragma once

#include <QString>

struct AppCore;

// Opens the job database FILE for the editing commands of `mq`: the fixed
// nodes and the saved categories go into the tree, the jobs into DownJobs,
// and edits are written back to FILE. A missing file starts the first-run
// tree; a damaged file is refused so that no write destroys it.
// Returns an error message, empty on success.
QString openMqDatabase(AppCore &core, const QString &path);
