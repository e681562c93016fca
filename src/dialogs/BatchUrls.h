#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// The batch page's rules: what the range boxes accept as typed, and the list
// of URLs a pattern with "*" gives for a number or a letter range.
namespace BatchUrls {

// The counters are 16-bit: bounds from 0 to kMaxBound.
constexpr int kMaxBound = 32766;

// "From:"/"To:" of "Digit": whether a typed character is taken (digits only).
bool acceptsDigit(QChar typed);
// "Digits count": the box's new content after a typed character; a digit
// replaces the content, anything else leaves `current` as it is.
QString typedWidth(const QString &current, QChar typed);
// Letter boxes: a typed letter replaces the content in lower case; anything
// else leaves `current` as it is.
QString typedLetter(const QString &current, QChar typed);

// Whether "&Generate" can run on the pattern (it holds a "*").
bool canGenerate(const QString &pattern);

// Outcome of a generation: the entries in order, or a message for the user
// and no entries.
struct Result {
    QStringList urls;
    QString message;
};

// Numbers from..to (none when from > to), each padded with zeros in front to
// `width` characters and put in place of every "*". Empty or over-large
// bounds give a message.
Result numbers(const QString &pattern, const QString &from, const QString &to,
               const QString &width);
// Letters from..to by character code (none when from is later).
Result letters(const QString &pattern, const QString &from, const QString &to);

// Messages for bad bounds.
extern const QString kNeedNumbers;
extern const QString kNumbersTooLarge;
extern const QString kNeedLetters;

} // namespace BatchUrls
