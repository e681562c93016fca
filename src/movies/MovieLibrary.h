#pragma once

#include "movies/MovieCache.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

class JobTable;
class MovieCheck;

// The movies of the job table as the program knows them. A movie that
// finishes downloading or is imported is checked once in the background
// (facts, verdict, names, SHA-256), one at a time, in slices between events;
// what is learnt is kept in the cache folder and reported by signals.
class MovieLibrary : public QObject {
    Q_OBJECT
public:
    explicit MovieLibrary(JobTable &jobs, const MovieCache &cache = MovieCache(),
                          QObject *parent = nullptr);
    ~MovieLibrary() override;
    const MovieCache &cache() const { return m_cache; }

    // Whether a job's file is a movie the library looks at (a ".swf" name).
    static bool isMovie(const QString &path);
    // The log line of a damaged movie.
    static QString damageLine(const QString &problem);

    // Job `job` finished downloading (`downloaded`) or was imported: its
    // movie is checked in the background. Other files are ignored.
    void add(int job, bool downloaded);
    // The entry of a file as known now (from memory, else from the cache).
    MovieEntry entry(const QString &path);
    // The entry with facts and verdict read now when it lacks them, and
    // the address the movie came from (when not empty) kept in it.
    MovieEntry checkedEntry(const QString &path, const QString &origin = {});
    // Finished jobs whose movie has the same content as job `job`'s.
    QVector<int> copiesOf(int job);
    // Reads the stored entries of every finished movie in the background
    // (some hundred between two events), so that copies are known.
    void loadKnown();
    // Draws a movie's picture into a PNG and calls back once with the
    // outcome (the window sets it: the player library). Whole movies get
    // their picture after their check, one at a time.
    using Render = std::function<void(const QString &movie, const QString &png,
                                      std::function<void(bool ok)> done)>;
    Render renderThumbnail;
    // A render that has not called back after this long has failed.
    int thumbnailGuardMs = 120000;
    // The picture of a movie; empty when it has none (yet).
    QString thumbnailOf(const QString &path);

    // Runs every pending check to its end now.
    void finishAll();
    bool idle() const { return !m_check && m_queue.isEmpty() && m_loadNext == 0; }

signals:
    // What is known of copies changed (loadKnown() ended, a movie was checked).
    void copiesChanged();
    // Job `job`'s movie has been checked: its entry is complete.
    void checked(int job);
    // ... and it is damaged.
    void damaged(int job, const QString &problem);
    // A movie's picture was made (or could not be).
    void thumbnailChanged(const QString &path);
    // ... and it finished downloading and names files it loads (addresses).
    void dependenciesFound(int job, const QStringList &addresses);

private:
    struct Pending {
        int job;
        bool downloaded;
    };
    void schedule();
    void work();
    void done();
    void remember(const MovieEntry &entry);
    void nextThumbnail();
    void thumbnailDone(const QString &path, bool ok);

    JobTable &m_jobs;
    MovieCache m_cache;
    QVector<Pending> m_queue;
    std::unique_ptr<MovieCheck> m_check;
    Pending m_current{0, false};
    int m_loadNext = 0; // next job loadKnown() reads, 0 when it is not running
    bool m_scheduled = false;
    QStringList m_thumbnails;                   // movies waiting for their picture
    QString m_rendering;                        // the movie being drawn
    quint32 m_renderTicket = 0;                 // the render whose answer counts
    QHash<QString, MovieEntry> m_entries;       // by absolute path
    QHash<QString, QSet<QString>> m_pathsBySha; // content -> paths
};
