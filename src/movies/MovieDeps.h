#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The files a movie loads as it runs (other movies, video, sound, pictures,
// data), found in the text constants of its code, and where they are kept
// beside it.
namespace MovieDeps {
constexpr int kMaxAddresses = 200;

// Whether a text constant can name a file the movie loads: no blanks,
// quotes or markup, no scheme but http:// or https://, and a path that ends
// in the extension of a movie, video, sound, picture or data file.
bool looksLikeAddress(QStringView text);

// The http:// and https:// addresses `names` give against the movie's own
// address `movieUrl` (relative names are dropped when it is empty), in
// order, without repeats or the movie itself, at most kMaxAddresses.
QStringList resolve(const QStringList &names, const QString &movieUrl);

// The names in a page's flashvars text ("a=b&file=level2.swf") that look
// like addresses.
QStringList fromFlashVars(const QString &flashvars);

// Where the file at `url` is kept, relative to the folder of the movie at
// `movieUrl`: the rest of its path when it lies below the movie's own
// folder on the same server ("level2.swf", "sounds/a.mp3"), else below a
// folder named after its host ("cdn.example.com/music/a.mp3"). Every segment
// is a plain file name ("..", "/" and control characters never survive).
QString localPath(const QString &movieUrl, const QString &url);

// The address prefix the movie's relative names resolve under: its URL up
// to the last "/" of the path ("http://host/games/").
QString folderUrl(const QString &movieUrl);
} // namespace MovieDeps
