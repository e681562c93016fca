#pragma once

#include <QString>
#include <QtGlobal>

// Numbers typed into text boxes, read the way the settings have always read
// them: the leading decimal number of the text (blanks anywhere are ignored,
// an exponent is allowed, 0 when there is none), rounded to a 16-bit Integer
// with halves going to the even neighbour (2.5 gives 2, 3.5 gives 4).
namespace NumberText {
// The leading number; *found tells whether the text began with one.
double leadingValue(const QString &text, bool *found = nullptr);
// Rounds half to even and clamps to -32768..32767 (NaN gives 0).
qint16 roundToInteger(double value);
// roundToInteger(leadingValue(text)).
qint16 integerValue(const QString &text);
} // namespace NumberText
