#include "base/OleDate.h"

#include <cmath>

namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
} // namespace

double OleDate::fromDateTime(const QDateTime &when) {
    const QDateTime local = when.toLocalTime();
    const double days = double(kEpoch.daysTo(local.date()));
    const double fraction = local.time().msecsSinceStartOfDay() / kMsPerDay;
    // Before the epoch the fraction still counts forward from midnight.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime OleDate::toDateTime(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return QDateTime(kEpoch, QTime(0, 0));
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    QDate date = kEpoch.addDays(qint64(whole));
    qint64 ms = std::llround(fraction * kMsPerDay);
    if (ms >= qint64(kMsPerDay)) { // rounding reached midnight
        date = date.addDays(days >= 0 ? 1 : -1);
        ms = 0;
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

double OleDate::now() {
    return fromDateTime(QDateTime::currentDateTime());
}
