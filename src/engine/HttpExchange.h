#pragma once

#include <QByteArray>
#include <QString>

struct DownJobRecord;

// The pieces of one HTTP/1.1 GET exchange of a download: splitting the URL,
// the request text and reading the response header. Text and bytes map one
// to one (Latin-1) in both directions.
namespace HttpExchange {

// Whether a URL is an https:// one (default port 443, sent over TLS).
bool IsHttps(const QString &url);

// Splits record.Url into RequestPath, Host, Port, RemoteName and FileName.
// Fails (fields untouched) without "http://" or a leading "https://", without a "/" behind the
// host, with an empty host, or when the text between the host's ":" and the "/" is not a port of
// digits from 1 to 65535, any number of leading zeros
// included ("000080" is port 80).
bool ParseUrl(DownJobRecord &record);

// The "Host:" value for `host` reached at `port`: "host" at the scheme's
// default port (80, or 443 over TLS), else "host:port"; an IPv6 address in
// brackets.
QByteArray HostValue(const QString &host, quint16 port, bool tls);

// The request text for a connection whose part stands at `pos`. It asks for
// no content coding: a download wants the bytes as they are stored.
// `ifRange`, when given, is sent as "If-Range: " with a range request.
QByteArray RequestText(const DownJobRecord &record, qint32 pos, const QString &ifRange = QString());
// Whether it is a "416" answer (a range that starts at or beyond the end).
bool IsRangeNotSatisfiable(const QString &header);

// Header block of a received block (up to and including the first CR LF CR
// LF), or the empty text when the block holds none.
QString GetHeaderPart(const QByteArray &block);
// Index of the first body byte in `block`, or -1 when the header is not whole.
int HeaderLength(const QByteArray &block);

// The first line of a header (without its CR LF).
QString StatusLine(const QString &header);
// The three-digit code of the status line "HTTP/x.y NNN ...", 0 when it has
// none.
int StatusNumber(const QString &header);
// Header fields are matched at the start of a line only (case ignored);
// `name` ends with its ":".
bool HasField(const QString &header, const QString &name);
QString FieldValue(const QString &header, const QString &name);

// "200", "206", "404", "30" or the empty text, read from the status line.
QString GetStatusCode(const QString &header);
// The Content-Length value as text, "0" when absent.
QString GetContentLength(const QString &header);
// Numeric value of a Content-Length text: its leading digits (0 when none),
// capped so that it never overflows.
qint64 LeadingNumber(const QString &text);
// The Location value, trimmed, or the empty text.
QString GetLocation(const QString &header);
// A Location resolved against the URL it answered: absolute URLs stay,
// "//host/x", "/x" and "x" are completed from `base` (its scheme included).
QString ResolveLocation(const QString &base, const QString &location);

} // namespace HttpExchange
