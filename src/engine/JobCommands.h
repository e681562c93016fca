#pragma once

#include "engine/EngineStores.h"

#include <QObject>

class DownloadEvents;

// The four download commands of the Jobs menu, its pop-up and the toolbar:
// start or pause the job of one lvNowDown row, start or pause every job. A
// job that finds no free slot is set waiting; the scheduler (DownloadEvents)
// starts it when a slot frees.
class JobCommands : public QObject {
    Q_OBJECT
public:
    JobCommands(EngineStores stores, DownloadEvents &events, QObject *parent = nullptr);

    // mnuJob_Begin: the job of row `row` of lvNowDown (nothing for no row).
    void StartJob(int row);
    // mnuJob_Pause: pauses the row's job, then starts the next waiting job.
    void PauseJob(int row);
    // mnuJob_AllBegin: every listed job that is not running, in list order.
    void StartAll();
    // mnuJob_AllPause: every busy slot, then every running or waiting job;
    // no waiting job is started afterwards.
    void PauseAll();

signals:
    // A job found no free slot and waits (state 3).
    void JobWaiting(int index);
    // A command paused one or more jobs.
    void JobsPaused();

private:
    int jobOfRow(int row) const;
    void startOrWait(int index);

    EngineStores m_stores;
    DownloadEvents &m_events;
};
