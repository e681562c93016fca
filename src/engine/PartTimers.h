#pragma once

#include "jobs/DownJobRecord.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The clocks of a job's connections: a connect time-out while a connection
// opens, a receive time-out while it waits for bytes (the answer's header
// included), and the delay before a failed part is tried again. Receiving
// only notes the time; the timer re-arms itself for what is left, so a busy
// connection costs no timer work per block.
class PartTimers : public QObject {
    Q_OBJECT
public:
    explicit PartTimers(QObject *parent = nullptr);

    // Limits in seconds of the settings; 0 switches that time-out off.
    void setLimits(int connectSeconds, int receiveSeconds);
    void watchConnect(int k);
    void watchReceive(int k);
    void activity(int k) { m_last[k].start(); }
    void stopWatch(int k);

    void scheduleRetry(int k, int seconds);
    bool retryPending(int k) const { return m_retry[k].isActive(); }
    bool anyRetryPending() const;
    void stopAll();

signals:
    void timedOut(int k, bool connecting, int seconds);
    void retryDue(int k);

private:
    enum class Watch { None, Connect, Receive };
    void expired(int k);
    static int toMs(int seconds);

    int m_connect = 0;
    int m_receive = 0;
    Watch m_mode[kMaxParts + 1] = {};
    QTimer m_watch[kMaxParts + 1];
    QTimer m_retry[kMaxParts + 1];
    QElapsedTimer m_last[kMaxParts + 1];
};
