#pragma once

#include "jobs/JobDbIo.h"

#include <QString>

struct AppPaths;
class CategoryStore;
class JobTable;

// Keys of the fixed nodes of the category tree.
namespace TreeKey {
inline const QString Root = QStringLiteral("MoorQuill");
inline const QString NowSearch = QStringLiteral("NowSearch");
inline const QString NowDownLoad = QStringLiteral("NowDownLoad");
inline const QString Downloaded = QStringLiteral("Downloaded");
inline const QString Recely = QStringLiteral("Recely");
inline const QString RecelyReally = QStringLiteral("Recely_Really");
inline const QString History = QStringLiteral("History");
inline const QString Today = QStringLiteral("Today");
inline const QString ThisWeek = QStringLiteral("This Week");
inline const QString ThisMonth = QStringLiteral("This Month");
inline const QString All = QStringLiteral("All");
} // namespace TreeKey

// First run: creates the download folder when missing, adds the fixed nodes
// with the four default categories, gives every node the download folder as
// its tag and writes the job database. Returns whether the write succeeded.
// Does nothing (and returns false) unless AppLanguage is "English".
bool BuildDefaultTree(CategoryStore &tree, const JobTable &jobs, const AppPaths &paths,
                      const JobDbIo &io = {});

// The fixed nodes a job database is loaded into ("MoorQuill", "NowSearch",
// "NowDownLoad", "Downloaded", "Recely"), each tagged with the folder.
void AddFixedNodes(CategoryStore &tree, const QString &folder);

// Later runs: clears the tree, adds the fixed nodes, tags them with the
// download folder and loads the job database into the tree and DownJobs.
DbLoadResult BuildFixedTree(CategoryStore &tree, JobTable &jobs, const AppPaths &paths,
                            const JobDbIo &io = {});

// The second root "History" with "Today", "This Week", "This Month", "All".
void AddHistoryBranch(CategoryStore &tree);

// The age limit in days of a history node, 0 for any other key.
int historyDaysOf(const QString &key);
