#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QUrl>

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

// A page address as typed (spaces and other characters tolerated).
QUrl PageUrl(const QString &url);

// An address written on a page, resolved against the page's base address
// as browsers resolve it ("//host/x", "/x", "../x", "./x"; blanks around it
// and line breaks in it dropped, "\" read as "/" in the path, the fragment
// dropped). The empty URL when the result is no http:// or https:// address
// with a host, or when the address is longer than kMaxAddress.
QUrl ResolveAddress(const QUrl &base, QStringView address);
constexpr qsizetype kMaxAddress = 4096;

// A URL as it is requested and stored: spaces and non-ASCII characters
// percent-encoded (UTF-8), the host in its ASCII form.
QString Encoded(const QUrl &url);

// Resolve() of a link or movie address of the record's page, encoded; the
// empty text when it is no http:// or https:// address.
QString Resolve(const SearchJobRecord &record, const QString &url);

// The name a movie at `url` is saved under: the last path segment decoded
// (UTF-8), plus "?" and the query unless the segment ends in a known
// extension ("swf", "flv", ...). "/", "\" and control characters become
// "_"; characters the job database (Windows-1252) cannot hold stay
// percent-encoded.
QString SaveName(const QUrl &url);

// One percent-encoded path segment as a file name, by the rules of SaveName.
QString SegmentName(const QByteArray &encodedSegment);

// Whether an address names a movie by its path ("x.swf", "x.swf?v=1").
bool IsSwf(const QString &url);

// Whether the page is fetched over TLS (an https:// URL).
bool IsTls(const SearchJobRecord &record);

// The host to dial: Host without a ":port" written in it.
QString DialHost(const SearchJobRecord &record);

// The page request, byte for byte. It accepts the content codings the
// fetch decodes (gzip, deflate, br).
QByteArray RequestText(const SearchJobRecord &record);

} // namespace SearchUrl
