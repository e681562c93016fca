#pragma once

#include <QByteArray>
#include <QString>

struct SearchJobRecord;

// The text after the last "/" of a URL (backslashes count as slashes);
// empty when there is none.
QString FileNameFromUrl(const QString &url);
// The text after the last "." of a name; the whole text when it has none.
QString FileExtension(const QString &name);

// The URL rules of a page search.
namespace SearchUrl {

// Splits record.Url into Host, Port, RequestPath, FileName and Directory.
// A URL of scheme and host only gets a trailing "/" (kept in Url). Fails
// without "http://", with an empty host or a written port outside 1..65535;
// `error` then names the reason and the record keeps its other fields.
bool ParseSearchUrl(SearchJobRecord &record, QString *error = nullptr);

// Completes a link or movie address found on the page: "http://" addresses
// stay, "/x" is taken from the host, anything else from the page's
// directory. Nothing else is normalised.
QString Resolve(const SearchJobRecord &record, const QString &url);

// The host to dial: Host without a ":port" written in it.
QString DialHost(const SearchJobRecord &record);

// The page request, byte for byte.
QByteArray RequestText(const SearchJobRecord &record);

} // namespace SearchUrl
