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
// A URL of scheme and host only gets a trailing "/" (kept in Url). An
// https:// page is fetched over TLS (default port 443). Fails without
// "http://" or a leading "https://", with an empty host or a written port outside 1..65535;
// `error` then names the reason and the record keeps its other fields.
bool ParseSearchUrl(SearchJobRecord &record, QString *error = nullptr);

// Completes a link or movie address found on the page: "http://" and
// "https://" addresses stay, "/x" is taken from the page's scheme and host,
// anything else from the page's directory. Nothing else is normalised.
QString Resolve(const SearchJobRecord &record, const QString &url);

// Whether the page is fetched over TLS (an https:// URL).
bool IsTls(const SearchJobRecord &record);

// The host to dial: Host without a ":port" written in it.
QString DialHost(const SearchJobRecord &record);

// The page request, byte for byte (an https:// one without the
// "Accept -Encoding" line).
QByteArray RequestText(const SearchJobRecord &record);

} // namespace SearchUrl
