#include "jobs/ListTexts.h"

#include "base/OleDate.h"

#include <QLocale>
#include <cmath>

namespace ListTexts {

QString percent(qint64 received, qint64 total) {
    if (total == 0) return QStringLiteral("0%");
    const double value = std::trunc(double(received) / double(total) * 100.0);
    return QString::number(qint64(value)) + QLatin1Char('%');
}

namespace {
// The locale's long time form without a time-zone name.
QString longTime(const QLocale &locale, const QTime &time) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(time, format.trimmed());
}
} // namespace

QString generalDate(double days) {
    const QLocale locale;
    const QDateTime when = OleDate::toDateTime(days);
    const double whole = std::trunc(days);
    if (whole == 0) return longTime(locale, when.time());
    if (days == whole) return locale.toString(when.date(), QLocale::ShortFormat);
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           longTime(locale, when.time());
}

QString shortTime(double days) {
    // A duration, so never with AM/PM: hours and minutes on a 24-hour clock.
    return OleDate::toDateTime(days).time().toString(QStringLiteral("HH:mm"));
}

QString bytesPerSecond(double speed) {
    return QString::number(qint64(std::trunc(speed))) + QStringLiteral("bps");
}

QString fileNamePart(const QString &path) {
    const int cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? path : path.mid(cut + 1);
}

int dayBoundaries(double then, double now) {
    return int(OleDate::toDateTime(then).date().daysTo(OleDate::toDateTime(now).date()));
}

} // namespace ListTexts
