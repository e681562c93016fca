#pragma once

#include "jobs/DownJobRecord.h"

#include <QVector>

// The process-wide, 1-based table of download jobs (DownJobs / DownCount).
// A job is identified by its index, which stays valid for the whole run:
// records are never removed while the program runs.
class JobTable {
public:
    static constexpr int kMaxJobs = 32767; // DownCount is a 16-bit Integer

    qint16 DownCount() const { return qint16(m_jobs.size()); }
    bool isValid(int index) const { return index >= 1 && index <= m_jobs.size(); }
    DownJobRecord &operator[](int index) { return m_jobs[index - 1]; }
    const DownJobRecord &operator[](int index) const { return m_jobs[index - 1]; }

    bool isFull() const { return m_jobs.size() >= kMaxJobs; }

    // Appends a copy of the record and returns its index; returns 0 (and adds
    // nothing) when the table already holds kMaxJobs records.
    int add(const DownJobRecord &record) {
        if (isFull()) return 0;
        m_jobs.append(record);
        return int(m_jobs.size());
    }
    void clear() { m_jobs.clear(); }

private:
    QVector<DownJobRecord> m_jobs;
};
