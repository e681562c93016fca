#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class DownloadEvents;

// Keeps the job database on disk close to the jobs in memory, so that a
// crash or power cut loses little: a save soon after a job is added,
// completes, fails or is paused (several such moments in one pass of the
// event loop make one save), and a save at a fixed interval while any slot
// is busy. The save itself (atomic replace) is the owner's function.
class JobDbAutoSave : public QObject {
    Q_OBJECT
public:
    using SaveFn = std::function<bool()>;
    static constexpr int kDefaultIntervalMs = 30000;

    JobDbAutoSave(DownloadEvents &events, SaveFn save, QObject *parent = nullptr);

    // The interval of saves while jobs run.
    void setInterval(int ms) { m_tick.setInterval(ms); }
    int interval() const { return m_tick.interval(); }
    bool ticking() const { return m_tick.isActive(); }

    // Asks for one save when control returns to the event loop.
    void saveSoon();
    bool saveNow();

signals:
    void Saved(bool ok);

private:
    void tick();

    DownloadEvents &m_events;
    SaveFn m_save;
    QTimer m_soon;
    QTimer m_tick;
};
