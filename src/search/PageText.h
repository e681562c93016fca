#pragma once

#include <QByteArray>
#include <QString>

// A page's bytes as text, which is what the analysis reads.
namespace PageText {

// Decoded in `charset` when it names one Qt knows ("ISO-8859-1", "latin1"
// and "US-ASCII" read as Windows-1252, as browsers read them); else by a
// byte order mark; else as UTF-8 when the bytes are valid UTF-8, else as
// Windows-1252.
QString Decode(const QByteArray &bytes, const QByteArray &charset = QByteArray());

} // namespace PageText
