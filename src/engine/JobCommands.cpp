#include "engine/JobCommands.h"

#include "engine/DownloadEvents.h"
#include "engine/clsDownLoadJob.h"
#include "jobs/JobLists.h"
#include "jobs/JobTable.h"

#include <QStringList>

JobCommands::JobCommands(EngineStores stores, DownloadEvents &events, QObject *parent)
    : QObject(parent), m_stores(stores), m_events(events) {}

int JobCommands::jobOfRow(int row) const {
    const ListRowModel &list = m_stores.lists.lvNowDown;
    if (row < 0 || row >= list.count() || list.row(row).key.isEmpty()) return 0;
    const int index = ListRowModel::leadingNumber(list.row(row).key);
    return m_stores.jobs.isValid(index) ? index : 0;
}

void JobCommands::startOrWait(int index) {
    if (m_events.FindSelectCls(index)) return; // already running in a slot
    if (m_events.FindOneCls()) {
        m_events.StartJobInSlot(m_events.FoundSlot, index);
        return;
    }
    m_stores.jobs[index].State = StateWaiting;
    m_stores.lists.SetStateIcon(DownloadEvents::RowKey(index), StateWaiting);
    emit JobWaiting(index);
}

void JobCommands::StartJob(int row) {
    if (const int index = jobOfRow(row)) startOrWait(index);
}

void JobCommands::PauseJob(int row) {
    const int index = jobOfRow(row);
    if (index == 0) return;
    if (clsDownLoadJob *slot = m_events.FindSelectCls(index)) {
        slot->Pause();
    } else {
        m_stores.jobs[index].State = StatePaused;
        m_stores.lists.SetStateIcon(row, StatePaused);
    }
    emit JobsPaused();
    m_events.StartNextWaitingJob();
}

void JobCommands::StartAll() {
    // Keys first: a job that fails at once may take its row away meanwhile.
    QStringList keys;
    for (int r = 0; r < m_stores.lists.lvNowDown.count(); ++r)
        keys << m_stores.lists.lvNowDown.row(r).key;
    for (const QString &key : keys) {
        const int index = jobOfRow(m_stores.lists.lvNowDown.rowOfKey(key));
        if (index != 0 && m_stores.jobs[index].State != StateRunning) startOrWait(index);
    }
}

void JobCommands::PauseAll() {
    m_events.SaveCls();
    ListRowModel &list = m_stores.lists.lvNowDown;
    for (int r = 0; r < list.count(); ++r) {
        const int index = jobOfRow(r);
        if (index == 0) continue;
        qint32 &state = m_stores.jobs[index].State;
        if (state == StateRunning || state == StateWaiting) {
            state = StatePaused;
            m_stores.lists.SetStateIcon(r, StatePaused);
        }
    }
    emit JobsPaused();
}
