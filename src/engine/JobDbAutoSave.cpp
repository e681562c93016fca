#include "engine/JobDbAutoSave.h"

#include "engine/DownloadEvents.h"

JobDbAutoSave::JobDbAutoSave(DownloadEvents &events, SaveFn save, QObject *parent)
    : QObject(parent), m_events(events), m_save(std::move(save)) {
    m_soon.setSingleShot(true);
    m_soon.setInterval(0);
    m_tick.setInterval(kDefaultIntervalMs);
    connect(&m_soon, &QTimer::timeout, this, &JobDbAutoSave::saveNow);
    connect(&m_tick, &QTimer::timeout, this, &JobDbAutoSave::tick);
    connect(&events, &DownloadEvents::SlotStarted, this, [this] {
        if (!m_tick.isActive()) m_tick.start();
    });
    // At once: the finished file may already carry its final name.
    connect(&events, &DownloadEvents::JobFinished, this, &JobDbAutoSave::saveNow);
}

void JobDbAutoSave::saveSoon() {
    if (!m_soon.isActive()) m_soon.start();
}

bool JobDbAutoSave::saveNow() {
    m_soon.stop();
    const bool ok = m_save && m_save();
    emit Saved(ok);
    return ok;
}

void JobDbAutoSave::tick() {
    if (m_events.BusySlots() == 0) m_tick.stop();
    saveNow();
}
