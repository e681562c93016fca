#pragma once

#include <QObject>
#include <QString>
#include <QVector>

class ListRowModel;

// One line of the job log.
struct JobLogEntry {
    double time = 0; // day count (OleDate)
    QString text;
    quint8 icon = 0;
    quint8 part = 0;
};

// A row of a log list as LookSearchLogLv builds it.
struct JobLogRow {
    int number = 0;   // entry number in the log
    QString timeText; // general date and time
    QString text;
    QString iconKey; // small icon
    quint8 icon = 0; // the row's tag
    bool hasBand = false;
    int red = 0, green = 0, blue = 0; // band colour
};

// The log store shared by all download and search jobs. Entries count from 1
// and are never removed; a job finds its lines through its list row's tag,
// which lists their numbers, each followed by ",".
class JobLog : public QObject {
    Q_OBJECT
public:
    explicit JobLog(QObject *parent = nullptr);

    int JobLogCount() const { return int(m_entries.size()); }
    int JobLogCapacity() const { return m_capacity; }
    const JobLogEntry &entry(int number) const { return m_entries[number - 1]; }

    // Appends an entry stamped now; returns its number.
    int Add(const QString &text, quint8 icon, quint8 part);
    // AddJobLog: appends an entry and its number + "," to the tag of the row
    // with key `rowKey` (the entry is kept even when the row is missing).
    int AddJobLog(ListRowModel &list, const QString &rowKey, const QString &text, quint8 icon,
                  quint8 part);

    // LookSearchLogLv: the rows a log list shows for `part` from a row's tag,
    // starting at `lastShown` (0: from the first entry; the list is emptied
    // first by the caller).
    QVector<JobLogRow> LookSearchLogLv(const QString &tag, int part, int lastShown) const;

    static QString IconKey(quint8 icon);
    static bool BandColour(quint8 icon, int *red, int *green, int *blue);

signals:
    void Added(int number);

private:
    QVector<JobLogEntry> m_entries;
    int m_capacity = 1000;
};
