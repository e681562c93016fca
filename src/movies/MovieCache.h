#pragma once

#include "movies/MovieFacts.h"

#include <QString>
#include <QStringList>

// What the program knows of one movie file. It holds while the file keeps
// its size and modification time.
struct MovieEntry {
    enum Thumbnail { NoThumbnail, ThumbnailMade, ThumbnailFailed };

    QString path;
    QString origin; // the address the movie came from, when known
    qint64 size = -1;
    qint64 modified = 0;  // milliseconds since the epoch
    bool checked = false; // facts and verdict read
    MovieFacts facts;
    QStringList names; // addresses named in the movie's code
    QString sha256;    // hex; empty until computed
    Thumbnail thumbnail = NoThumbnail;

    bool damaged() const { return checked && !facts.whole; }
};

// The movie entries and thumbnails in the user's cache folder
// ($XDG_CACHE_HOME/moorquill/movies), one small file per movie, named after
// its path. Nothing here touches the job database.
class MovieCache {
public:
    explicit MovieCache(const QString &folder = defaultFolder());
    static QString defaultFolder();
    QString folder() const { return m_folder; }

    // The stored entry of `path` when it matches the file as it is now;
    // otherwise a new one with the file's size and time and nothing checked
    // (size -1 when the file is missing).
    MovieEntry load(const QString &path) const;
    // Writes the entry (temporary file and rename); false when it cannot.
    bool store(const MovieEntry &entry) const;
    // Where the entry's picture is kept.
    QString thumbnailPath(const QString &path) const;

private:
    QString baseName(const QString &path) const;
    QString m_folder;
};
