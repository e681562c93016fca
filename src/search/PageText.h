#pragma once

#include <QByteArray>
#include <QString>

// A page's bytes as text, which is what the analysis reads.
namespace PageText {

// Decoded in `charset` (the answer's) when it names one Qt knows
// ("ISO-8859-1", "latin1" and "US-ASCII" read as Windows-1252, as browsers
// read them); else by a byte order mark; else in the charset a `<meta>` of
// the page's first 1024 bytes names; else as UTF-8 when the bytes are valid
// UTF-8, else as Windows-1252.
QString Decode(const QByteArray &bytes, const QByteArray &charset = QByteArray());

// The charset named by `<meta charset>` or `<meta http-equiv="Content-Type"
// content="...; charset=...">` within the first 1024 bytes; empty if none.
QByteArray MetaCharset(const QByteArray &bytes);

} // namespace PageText
