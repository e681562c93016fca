#pragma once

#include "engine/EngineStores.h"
#include "engine/JobReport.h"
#include "jobs/JobLists.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class clsDownLoadJob;
class JobLog;
class JobTable;
class RateLimiter;

// The owner of the eight download job slots. It receives every report of its
// slot objects (UpdateDownloadState), keeps the job table and the job's row
// in lvNowDown up to date, writes the job log, completes jobs and starts the
// next waiting one. Windows observe it through its signals, and each window
// picks what concerns the job it shows; `mq get` runs through the same code
// without any window.
class DownloadEvents : public QObject {
    Q_OBJECT
public:
    static constexpr int kSlots = 8;

    // One download slot: its job object and the job it runs or ran last.
    struct Slot {
        clsDownLoadJob *job = nullptr;
        int jobIndex = 0;         // SlotJob: kept after the job has ended
        QString rowKey;           // SlotItem: that job's row key in lvNowDown
        int rowCache = 0;         // its row when last looked up
        qint64 startReceived = 0; // Received when the slot started the job
        QElapsedTimer startClock; // since the slot started the job
        quint32 startTicket = 0;  // counts starts; a deferred Start checks it
    };

    DownloadEvents(EngineStores stores, JobLog &log, QObject *parent = nullptr);
    ~DownloadEvents() override;

    // Slots 1..8.
    Slot &slot(int n) { return m_slots[n]; }
    const Slot &slot(int n) const { return m_slots[n]; }
    clsDownLoadJob *clsDownJob(int n) const { return m_slots[n].job; }
    JobLog &log() const { return m_log; }

    void UpdateDownloadState(int slot, qint16 part, JobReport type, const QString &text);

    // The start sequence on one slot: SlotJob, SlotItem, JobItem, Busy,
    // Create, ReadDownState, Start.
    void StartJobInSlot(int slot, int index);
    int BusySlots() const;

    // Result of the last free-slot search, 0 when no slot was free.
    int FoundSlot = 0;
    // The lowest slot not above Maxjobs whose object is not busy (FoundSlot
    // is set to its number), or nullptr.
    clsDownLoadJob *FindOneCls();
    // The busy slot object running job `index`, or nullptr.
    clsDownLoadJob *FindSelectCls(int index) const;
    // The first slot whose SlotJob is `index` (busy or not), or 0.
    int FindSelectClsId(int index) const;
    // The busy slot running job `index`, or 0.
    int SlotOfJob(int index) const;
    // Pauses every busy slot.
    void SaveCls();
    // A job listed in state 3 starts at once when a slot is free; true when
    // it was started.
    bool StartRule(int index);
    // Starts the first job of lvNowDown in table order that is waiting
    // (state 3) when a slot is free; at most one per call. True when one was
    // started.
    bool StartNextWaitingJob();
    // Bytes per second of a running job since its slot started it; -1 when
    // it is not running.
    double LiveSpeed(int index) const;

    // Jobs that were running when the program ended without pausing them
    // (State 1 or FileOpen set) become paused jobs that continue from their
    // ranges (a new job when no size was learnt yet).
    static void LoadAsPaused(JobTable &jobs);

    static QString RowKey(int index) { return JobLists::nowDownKey(index); }
    // Received * 100 / TotalSize rounded half to even, with "%".
    static QString PercentText(qint64 received, qint64 total);

signals:
    // The start sequence ran: job `index` in `slot`.
    void SlotStarted(int slot, int index);
    // Each report as it arrives, before it is handled.
    void ReportReceived(int slot, qint16 part, JobReport type, const QString &text);
    void JobFinished(int index, int state); // 4 complete, 5 error
    void JobMessage(const QString &text);   // "Job complete." + Url (PopMessage)
    void FileCreationProgress(int slot, qint64 done, qint64 total);
    // For a window showing the slot's job: data arrived (the parts picture),
    // a line was logged for `part` (its log list), part 1 is connecting (the
    // parts tree).
    void PartsRedraw(int slot);
    void LogListRebuild(int slot, int part);
    void PartsTreeRebuild(int slot);
    // A completed job's row has left lvNowDown.
    void RowRemoved(int index);
    void StatusBarRefresh();

private:
    int rowOfSlot(int slot);
    void addLog(int slot, const QString &text, quint8 icon, int part);
    void addLines(int slot, const QString &text, quint8 icon, int part);
    bool completionTest(int slot); // true when the job completed
    void complete(int slot);
    void ended(int slot, int state);

    EngineStores m_stores;
    JobLog &m_log;
    Slot m_slots[kSlots + 1];
    int m_reportDepth = 0;  // UpdateDownloadState calls on the stack
    RateLimiter *m_limiter; // the speed limit of all slots together
};
