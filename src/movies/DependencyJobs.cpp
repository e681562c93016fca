#include "movies/DependencyJobs.h"

#include "base/OleDate.h"
#include "jobs/JobLists.h"
#include "jobs/JobTable.h"
#include "movies/MovieDeps.h"

#include <QFileInfo>

QVector<int> addDependencyJobs(JobTable &jobs, JobLists &lists, int movieJob,
                               const QStringList &addresses) {
    QVector<int> added;
    if (!jobs.isValid(movieJob)) return added;
    const DownJobRecord movie = jobs[movieJob];
    const QString folder = QFileInfo(movie.SavePath).absolutePath() + QLatin1Char('/');
    for (const QString &address : addresses) {
        const QString place = MovieDeps::localPath(movie.Url, address);
        if (place.isEmpty() || QFileInfo::exists(folder + place) || jobs.isFull()) continue;
        DownJobRecord r;
        r.CategoryKey = movie.CategoryKey;
        r.State = StateWaiting;
        r.IsNew = kTrue;
        r.Url = address;
        r.Referer = movie.Url;
        r.SavePath = folder + place;
        r.FileName = QFileInfo(r.SavePath).fileName();
        r.Parts = movie.Parts;
        r.UserAgent = movie.UserAgent;
        copyServerAccess(movie, r);
        r.CreateTime = OleDate::now();
        const int job = jobs.add(r);
        added << job;
        lists.AddJobToList(job);
    }
    return added;
}
