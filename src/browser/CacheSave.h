#pragma once

#include <QString>

struct AppCore;
struct DbCommit;

// Saving a movie out of a browser's cache as a finished job.
namespace CacheSave {

// The file name part of an address: the text after its last slash.
QString fileNameOf(const QString &url);
// The target of a save: the folder, a separator and the name, with every
// doubled separator made single.
QString targetPath(const QString &folder, const QString &name);

// Copies a file in blocks into a temporary file beside `to`, renamed over it
// at the end; `length` receives the bytes copied. Empty on success, else the
// reason.
QString copyFile(const QString &from, const QString &to, qint64 &length);

struct Result {
    int job = 0;     // the new finished job; 0 when nothing was recorded
    QString message; // what the user is told
};

// Copies `bodyFile` (a decoded cache body) to `target`, replacing an existing
// file through a temporary one, then appends a finished job filed under
// `categoryKey` with `comment`, the target and the copied length, and writes
// the job database. A failed copy adds no job; its message names the target
// and the reason.
Result saveMovie(AppCore &core, const DbCommit &commit, const QString &url, const QString &bodyFile,
                 const QString &target, const QString &categoryKey, const QString &comment);

// "Save Flash Catoon File :" ... "succeed ."
QString succeededText(const QString &url, const QString &target);
QString failedText(const QString &target, const QString &reason);

// The question asked for a movie that is not in the cache.
QString notCachedQuestion();

} // namespace CacheSave
