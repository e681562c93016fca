#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class JobTable;

// The download list: the URLs of one category's jobs, one per line.
namespace DownloadList {

// The file's bytes: the Url of every job keyed exactly `categoryKey`, in
// table order, each followed by CR LF, in Windows-1252 ("?" for characters
// it cannot hold). Jobs of sub-categories are not included.
QByteArray exportBytes(const JobTable &jobs, const QString &categoryKey);
// Writes the list to `path` (replacing it safely); false with a message
// naming the path and the reason when it cannot be written.
bool exportToFile(const JobTable &jobs, const QString &categoryKey, const QString &path,
                  QString *error);

// What an imported list holds: its http:// and https:// URLs in order, and
// how many lines were skipped (blank, or not such a URL).
struct ReadResult {
    QStringList urls;
    int skipped = 0;
};
// Any line end (CR LF, LF, CR); a UTF-8 file (with a byte-order mark, or
// valid UTF-8 with non-ASCII text) is read as such, otherwise Windows-1252.
// Blanks around a line are dropped.
ReadResult parse(const QByteArray &bytes);
// Reads a list file of at most kMaxFileBytes; false with a message otherwise.
bool readFile(const QString &path, ReadResult *out, QString *error);
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

} // namespace DownloadList
