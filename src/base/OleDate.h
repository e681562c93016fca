#pragma once

#include <QDateTime>

// Dates are day counts since 1899-12-30 in local time, the time of day being
// the fraction.
namespace OleDate {
double fromDateTime(const QDateTime &when);
QDateTime toDateTime(double days);
double now();
} // namespace OleDate
