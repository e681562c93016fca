#pragma once

#include <QString>
#include <QtGlobal>

// Texts shown in the job lists and information lists.
namespace ListTexts {
// Whole part of received / total * 100 followed by "%"; "0%" for a total of 0.
QString percent(qint64 received, qint64 total);
// A day count as the general date-and-time text of the default locale: the
// date alone at midnight, the time alone on day 0, otherwise date and time.
QString generalDate(double days);
// The time of day of a day count in the locale's short time form.
QString shortTime(double days);
// The whole part of a speed in bytes per second followed by "bps".
QString bytesPerSecond(double speed);
// The text after the last path separator ('/' or '\'), the whole text when there is none.
QString fileNamePart(const QString &path);
// Day boundaries between two day counts (now minus then, in calendar days).
int dayBoundaries(double then, double now);
} // namespace ListTexts
