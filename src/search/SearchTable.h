#pragma once

#include "search/SearchJobRecord.h"

#include <QVector>

// The 1-based table of search jobs (SearchJobs / SearchCount). Records are
// never removed during a run; a deleted search job's record gets state 0.
class SearchTable {
public:
    static constexpr int kMaxSearches = 32767; // SearchCount is a 16-bit Integer

    qint16 SearchCount() const { return qint16(m_jobs.size()); }
    bool isValid(int index) const { return index >= 1 && index <= m_jobs.size(); }
    SearchJobRecord &operator[](int index) { return m_jobs[index - 1]; }
    const SearchJobRecord &operator[](int index) const { return m_jobs[index - 1]; }

    // Appends a copy and returns its index, or 0 when the table is full.
    int add(const SearchJobRecord &record) {
        if (m_jobs.size() >= kMaxSearches) return 0;
        m_jobs.append(record);
        return int(m_jobs.size());
    }
    void clear() { m_jobs.clear(); }

private:
    QVector<SearchJobRecord> m_jobs;
};
