#include "jobs/ListTexts.h"

#include "core/OleDate.h"

#include <QLocale>
#include <cmath>

namespace ListTexts {

QString percent(qint64 received, qint64 total) {
    if (total == 0) return QStringLiteral("0%");
    const double value = std::trunc(double(received) / double(total) * 100.0);
    return QString::number(qint64(value)) + QLatin1Char('%');
}

QString generalDate(double days) {
    const QLocale locale = QLocale::system();
    const QDateTime when = OleDate::toDateTime(days);
    const double whole = std::trunc(days);
    const bool noTime = days == whole;
    if (whole == 0 && !noTime) return locale.toString(when.time(), QLocale::LongFormat);
    if (noTime && whole != 0) return locale.toString(when.date(), QLocale::ShortFormat);
    if (days == 0) return locale.toString(QTime(0, 0), QLocale::LongFormat);
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), QLocale::LongFormat);
}

QString shortTime(double days) {
    return QLocale::system().toString(OleDate::toDateTime(days).time(), QLocale::ShortFormat);
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
