#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

// The texts of the tell-a-friend mail: pure functions over strings and byte
// buffers (one byte per character, Latin-1, on the wire).
namespace SmtpText {

// The server reply check: the code anywhere in the received bytes, without
// regard to case.
bool ReplyHasCode(const QByteArray &reply, const QByteArray &code);
// A received block as a status-list line: the bytes as Latin-1 text with the
// trailing line breaks removed.
QString ReplyText(const QByteArray &reply);

// The mail domain of a recipient: the text behind its first "@", the whole
// text when it has none.
QString MailDomain(const QString &recipient);

// Why an address or subject is refused before anything is sent (a line break
// or control character would let it write its own header lines or
// commands), or "" when it is fine.
QString RefusedAddress(const QString &address);
QString RefusedSubject(const QString &subject);

// "Ddd, dd Mmm YYYY hh:mm:ss -0600" with day and month names of `locale`.
QString DateText(const QDateTime &when, const QLocale &locale);
// Header lines 1-5, each ending in CR LF.
QByteArray HeaderBlock(const QString &from, const QString &date, const QString &to,
                       const QString &subject);
// The content with every line ending as CR LF, a line beginning with "."
// written with one more ".", and a CR LF behind the last line.
QByteArray ContentBytes(const QString &content);

} // namespace SmtpText
