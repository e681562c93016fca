#include "movies/MovieLibrary.h"

#include "jobs/JobTable.h"
#include "movies/MovieCheck.h"
#include "movies/MovieDeps.h"

#include <QFileInfo>
#include <QTimer>

namespace {
constexpr qint64 kSlice = 4 * 1024 * 1024; // bytes of work between two events
constexpr int kLoadSlice = 200;            // entries read between two events
} // namespace

MovieLibrary::MovieLibrary(JobTable &jobs, const MovieCache &cache, QObject *parent)
    : QObject(parent), m_jobs(jobs), m_cache(cache) {}

MovieLibrary::~MovieLibrary() = default;

bool MovieLibrary::isMovie(const QString &path) {
    return path.endsWith(QLatin1String(".swf"), Qt::CaseInsensitive);
}

QString MovieLibrary::damageLine(const QString &problem) {
    return QStringLiteral("The movie is damaged: %1.").arg(problem);
}

void MovieLibrary::add(int job, bool downloaded) {
    if (!m_jobs.isValid(job) || !isMovie(m_jobs[job].SavePath)) return;
    m_queue.append({job, downloaded});
    schedule();
}

void MovieLibrary::schedule() {
    if (m_scheduled) return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        work();
    });
}

void MovieLibrary::loadKnown() {
    m_loadNext = 1;
    schedule();
}

void MovieLibrary::work() {
    if (m_loadNext > 0) {
        const int end = qMin(int(m_jobs.DownCount()) + 1, m_loadNext + kLoadSlice);
        for (; m_loadNext < end; ++m_loadNext)
            if (m_jobs[m_loadNext].State == StateComplete && isMovie(m_jobs[m_loadNext].SavePath))
                entry(m_jobs[m_loadNext].SavePath);
        if (m_loadNext > m_jobs.DownCount()) {
            m_loadNext = 0;
            emit copiesChanged();
        }
        return schedule();
    }
    if (!m_check) {
        if (m_queue.isEmpty()) return;
        m_current = m_queue.takeFirst();
        if (!m_jobs.isValid(m_current.job)) return schedule();
        MovieEntry e = entry(m_jobs[m_current.job].SavePath);
        e.origin = m_jobs[m_current.job].Url;
        m_check = std::make_unique<MovieCheck>(e);
    }
    if (m_check->step(kSlice)) done();
    if (!idle()) schedule();
}

void MovieLibrary::finishAll() {
    while (!idle()) {
        if (m_loadNext > 0) {
            work();
            continue;
        }
        if (!m_check) {
            work();
            continue;
        }
        while (!m_check->step(qint64(1) << 40)) {
        }
        done();
    }
}

void MovieLibrary::done() {
    const std::unique_ptr<MovieCheck> check = std::move(m_check);
    if (!check->error().isEmpty()) return; // the file went away meanwhile
    const MovieEntry &e = check->entry();
    m_cache.store(e);
    remember(e);
    const int job = m_current.job;
    emit checked(job);
    if (!e.sha256.isEmpty() && m_pathsBySha.value(e.sha256).size() > 1) emit copiesChanged();
    if (e.damaged()) emit damaged(job, e.facts.problem);
    if (e.facts.whole && e.thumbnail == MovieEntry::NoThumbnail && renderThumbnail) {
        m_thumbnails << e.path;
        nextThumbnail();
    }
    if (m_current.downloaded && e.facts.whole && m_jobs.isValid(job)) {
        const QStringList addresses = MovieDeps::resolve(e.names, m_jobs[job].Url);
        if (!addresses.isEmpty()) emit dependenciesFound(job, addresses);
    }
}

void MovieLibrary::remember(const MovieEntry &e) {
    const auto old = m_entries.constFind(e.path);
    if (old != m_entries.constEnd() && !old->sha256.isEmpty())
        m_pathsBySha[old->sha256].remove(e.path);
    m_entries.insert(e.path, e);
    if (!e.sha256.isEmpty()) m_pathsBySha[e.sha256].insert(e.path);
}

MovieEntry MovieLibrary::entry(const QString &path) {
    const QFileInfo info(path);
    const auto known = m_entries.constFind(info.absoluteFilePath());
    if (known != m_entries.constEnd() && known->size == info.size() &&
        known->modified == info.lastModified().toMSecsSinceEpoch())
        return *known;
    const MovieEntry loaded = m_cache.load(path);
    remember(loaded);
    return loaded;
}

MovieEntry MovieLibrary::checkedEntry(const QString &path, const QString &origin) {
    MovieEntry e = entry(path);
    if (e.size < 0 || (e.checked && (origin.isEmpty() || e.origin == origin))) return e;
    if (!origin.isEmpty()) e.origin = origin;
    if (!e.checked) e = MovieCheck::run(e, false);
    m_cache.store(e);
    remember(e);
    return e;
}

QVector<int> MovieLibrary::copiesOf(int job) {
    QVector<int> copies;
    if (!m_jobs.isValid(job)) return copies;
    const MovieEntry e = entry(m_jobs[job].SavePath);
    const QSet<QString> same = e.sha256.isEmpty() ? QSet<QString>() : m_pathsBySha.value(e.sha256);
    if (same.size() < 2) return copies;
    for (int i = 1; i <= m_jobs.DownCount(); ++i) {
        const DownJobRecord &rec = m_jobs[i];
        if (i != job && rec.State == StateComplete &&
            same.contains(QFileInfo(rec.SavePath).absoluteFilePath()))
            copies << i;
    }
    return copies;
}

QString MovieLibrary::thumbnailOf(const QString &path) {
    const MovieEntry e = entry(path);
    return e.thumbnail == MovieEntry::ThumbnailMade ? m_cache.thumbnailPath(e.path) : QString();
}

void MovieLibrary::nextThumbnail() {
    if (!m_rendering.isEmpty() || m_thumbnails.isEmpty() || !renderThumbnail) return;
    m_rendering = m_thumbnails.takeFirst();
    const quint32 ticket = ++m_renderTicket;
    const QString path = m_rendering;
    // Whatever the renderer does, the queue goes on.
    QTimer::singleShot(thumbnailGuardMs, this, [this, ticket, path] {
        if (ticket == m_renderTicket && m_rendering == path) thumbnailDone(path, false);
    });
    renderThumbnail(path, m_cache.thumbnailPath(path), [this, ticket, path](bool ok) {
        if (ticket == m_renderTicket && m_rendering == path) thumbnailDone(path, ok);
    });
}

void MovieLibrary::thumbnailDone(const QString &path, bool ok) {
    ++m_renderTicket;
    m_rendering.clear();
    MovieEntry e = entry(path);
    if (e.size >= 0) {
        e.thumbnail = ok ? MovieEntry::ThumbnailMade : MovieEntry::ThumbnailFailed;
        m_cache.store(e);
        remember(e);
    }
    emit thumbnailChanged(path);
    QTimer::singleShot(0, this, [this] { nextThumbnail(); });
}
