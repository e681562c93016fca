#include "engine/JobCommands.h"

#include "core/AppCore.h"
#include "engine/DownloadEvents.h"
#include "engine/clsDownLoadJob.h"

#include <QStringList>

JobCommands::JobCommands(AppCore &core, DownloadEvents &events, QObject *parent)
    : QObject(parent), m_core(core), m_events(events) {}

int JobCommands::jobOfRow(int row) const {
    const ListRowModel &list = m_core.lvNowDown;
    if (row < 0 || row >= list.count() || list.row(row).key.isEmpty()) return 0;
    const int index = ListRowModel::leadingNumber(list.row(row).key);
    return m_core.DownJobs.isValid(index) ? index : 0;
}

void JobCommands::startOrWait(int index) {
    if (m_events.FindSelectCls(index)) return; // already running in a slot
    if (m_events.FindOneCls()) {
        m_events.StartJobInSlot(m_events.FoundSlot, index);
        return;
    }
    m_core.DownJobs[index].State = StateWaiting;
    m_core.lists.SetStateIcon(DownloadEvents::RowKey(index), StateWaiting);
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
        m_core.DownJobs[index].State = StatePaused;
        m_core.lists.SetStateIcon(row, StatePaused);
    }
    emit JobsPaused();
    m_events.StartNextWaitingJob();
}

void JobCommands::StartAll() {
    // Keys first: a job that fails at once may take its row away meanwhile.
    QStringList keys;
    for (int r = 0; r < m_core.lvNowDown.count(); ++r)
        keys << m_core.lvNowDown.row(r).key;
    for (const QString &key : keys) {
        const int index = jobOfRow(m_core.lvNowDown.rowOfKey(key));
        if (index != 0 && m_core.DownJobs[index].State != StateRunning) startOrWait(index);
    }
}

void JobCommands::PauseAll() {
    m_events.SaveCls();
    ListRowModel &list = m_core.lvNowDown;
    for (int r = 0; r < list.count(); ++r) {
        const int index = jobOfRow(r);
        if (index == 0) continue;
        qint32 &state = m_core.DownJobs[index].State;
        if (state == StateRunning || state == StateWaiting) {
            state = StatePaused;
            m_core.lists.SetStateIcon(r, StatePaused);
        }
    }
    emit JobsPaused();
}
