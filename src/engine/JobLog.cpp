#include "engine/JobLog.h"

#include "base/ListRowModel.h"
#include "base/OleDate.h"
#include "jobs/ListTexts.h"

JobLog::JobLog(QObject *parent) : QObject(parent) {
    m_entries.reserve(m_capacity);
}

int JobLog::Add(const QString &text, quint8 icon, quint8 part) {
    const int number = int(m_entries.size()) + 1;
    if (number >= m_capacity - 1000) {
        m_capacity += 1000;
        m_entries.reserve(m_capacity);
    }
    m_entries.append(JobLogEntry{OleDate::now(), text, icon, part});
    emit Added(number);
    return number;
}

int JobLog::AddJobLog(ListRowModel &list, const QString &rowKey, const QString &text, quint8 icon,
                      quint8 part) {
    const int number = Add(text, icon, part);
    const int row = list.rowOfKey(rowKey);
    if (row >= 0) list.appendTag(row, QString::number(number) + QLatin1Char(','));
    return number;
}

QVector<JobLogRow> JobLog::LookSearchLogLv(const QString &tag, int part, int lastShown) const {
    QVector<JobLogRow> rows;
    for (const QStringView piece : QStringView(tag).split(QLatin1Char(','))) {
        if (piece.isEmpty()) continue;
        const int number = piece.toInt();
        if (number < 1 || number > m_entries.size()) continue;
        const JobLogEntry &e = m_entries[number - 1];
        if (e.part != part || (lastShown != 0 && number < lastShown)) continue;
        JobLogRow row;
        row.number = number;
        row.timeText = ListTexts::generalDate(e.time);
        row.text = e.text;
        row.icon = e.icon;
        row.iconKey = IconKey(e.icon);
        row.hasBand = BandColour(e.icon, &row.red, &row.green, &row.blue);
        rows.append(row);
    }
    return rows;
}

QString JobLog::IconKey(quint8 icon) {
    switch (icon) {
    case 3:
        return QStringLiteral("Request");
    case 4:
        return QStringLiteral("Response");
    default:
        return QStringLiteral("Info1");
    }
}

bool JobLog::BandColour(quint8 icon, int *red, int *green, int *blue) {
    int r, g, b;
    switch (icon) {
    case 1:
    case 7:
    case 100:
        r = 152;
        g = 251;
        b = 152;
        break;
    case 2:
    case 9:
        r = 0;
        g = 147;
        b = 0;
        break;
    case 3:
        r = 175;
        g = 238;
        b = 238;
        break;
    case 4:
        r = 230;
        g = 230;
        b = 250;
        break;
    case 8:
        r = 255;
        g = 0;
        b = 0;
        break;
    default:
        return false;
    }
    *red = r;
    *green = g;
    *blue = b;
    return true;
}
