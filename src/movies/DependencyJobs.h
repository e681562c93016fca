#pragma once

#include <QStringList>
#include <QVector>

class JobLists;
class JobTable;

// The files a movie loads become download jobs beside it: the movie's
// category, its folder (relative paths kept, see MovieDeps::localPath), its
// parts, agent, proxy and login, and its address as the referer. Files that
// are already there are left out. Returns the new jobs, listed (and started
// as slots allow) through AddJobToList.
QVector<int> addDependencyJobs(JobTable &jobs, JobLists &lists, int movieJob,
                               const QStringList &addresses);
