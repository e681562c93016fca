#pragma once

#include "jobs/DownJobRecord.h"

#include <QVector>

// The process-wide, 1-based table of download jobs (DownJobs / DownCount).
// A job is identified by its index, which stays valid for the whole run:
// records are never removed while the program runs.
class JobTable {
public:
    qint16 DownCount() const { return qint16(m_jobs.size()); }
    bool isValid(int index) const { return index >= 1 && index <= m_jobs.size(); }
    DownJobRecord &operator[](int index) { return m_jobs[index - 1]; }
    const DownJobRecord &operator[](int index) const { return m_jobs[index - 1]; }

    // Appends a copy of the record and returns its index.
    int add(const DownJobRecord &record) {
        m_jobs.append(record);
        return int(m_jobs.size());
    }
    void clear() { m_jobs.clear(); }

private:
    QVector<DownJobRecord> m_jobs;
};
