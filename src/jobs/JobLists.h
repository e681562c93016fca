#pragma once

#include "base/ListRowModel.h"

#include <QString>
#include <functional>

class JobTable;

// The report lists of the main window as core-side rows, and the procedures
// that fill them from DownJobs. The engine and the scheduler work on these
// rows through their keys ("<index>NowDown", "<index>Key"); views only show them.
class JobLists {
public:
    JobLists(JobTable &jobs, ListRowModel &nowDown);

    ListRowModel &lvNowDown;
    ListRowModel lvHaveDown;     // completed jobs of the selected node
    ListRowModel lvDownHtml;     // search jobs
    ListRowModel lvHaveDownInfo; // information of the selected completed job
    ListRowModel lvResponse[2];  // 0: information of a job in progress, 1: log lines
    ListRowModel lvHaveDownHtml; // log of the selected search job
    ListRowModel tvNowDown;      // detail tree: "Chart" and one node per part

    // A waiting job was listed: the scheduler starts it when a slot is free.
    std::function<void(int job, int row)> startRule;
    // Any job was listed (before the start rule runs).
    std::function<void(int job)> jobListed;
    // The slot (1..8) running a job, 0 when none.
    std::function<int(int job)> slotOfJob;
    // Live speed of a running job in bytes per second; negative when unknown.
    std::function<double(int job)> liveSpeed;
    // Lists one part's log lines of a job into the given list.
    std::function<void(int job, int part, ListRowModel &list)> partLog;
    // Adds rows of its own below a completed job's information.
    std::function<void(int job, ListRowModel &list)> completedInfoShown;
    // Lists a search job's log lines into the given list.
    std::function<void(int search, ListRowModel &list)> searchLog;

    static QString nowDownKey(int job) { return QString::number(job) + QStringLiteral("NowDown"); }
    static QString haveDownKey(int job) { return QString::number(job) + QStringLiteral("Key"); }

    void AddJobToList(int job);
    void SetStateIcon(int row, int state);
    void SetStateIcon(const QString &rowKey, int state); // a missing row is ignored
    // Start-up: every job not complete, in table order, goes to lvNowDown.
    void ListUnfinishedJobs();
    // Fills lvHaveDown: with historyDays not 0 the completed jobs created less
    // than that many calendar days before now, else those keyed exactly `key`.
    void FillCompletedList(const QString &key, int historyDays, double now);
    void ShowCompletedInfo(int job);
    void ShowRunningInfo(int job);
    // Updates the values of an information list already shown for the job.
    void RefreshRunningInfo(int job);
    void FillDetailTree(int job);
    void ShowPartLog(int job, int part);
    void ShowSearchLog(int search); // into lvHaveDownHtml
    void ClearDetail();

    static QString stateIconKey(int state); // empty for states without an icon

private:
    QVector<QPair<QString, QString>> runningInfo(int job) const;
    JobTable &m_jobs;
};
