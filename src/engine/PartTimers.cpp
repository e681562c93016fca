#include "engine/PartTimers.h"

#include "engine/PartRetryPolicy.h"

PartTimers::PartTimers(QObject *parent) : QObject(parent) {
    for (int k = 1; k <= kMaxParts; ++k) {
        m_watch[k].setSingleShot(true);
        m_retry[k].setSingleShot(true);
        connect(&m_watch[k], &QTimer::timeout, this, [this, k] { expired(k); });
        connect(&m_retry[k], &QTimer::timeout, this, [this, k] { emit retryDue(k); });
    }
}

int PartTimers::toMs(int seconds) {
    return int(qMin<qint64>(qint64(seconds) * PartRetryPolicy::MsPerSecond, 1 << 30));
}

void PartTimers::setLimits(int connectSeconds, int receiveSeconds) {
    m_connect = qMax(0, connectSeconds);
    m_receive = qMax(0, receiveSeconds);
}

void PartTimers::watchConnect(int k) {
    m_mode[k] = Watch::Connect;
    if (m_connect > 0)
        m_watch[k].start(toMs(m_connect));
    else
        m_watch[k].stop();
}

void PartTimers::watchReceive(int k) {
    m_mode[k] = Watch::Receive;
    m_last[k].start();
    if (m_receive > 0)
        m_watch[k].start(toMs(m_receive));
    else
        m_watch[k].stop();
}

void PartTimers::stopWatch(int k) {
    m_mode[k] = Watch::None;
    m_watch[k].stop();
}

void PartTimers::expired(int k) {
    if (m_mode[k] == Watch::Receive) {
        const qint64 left = toMs(m_receive) - m_last[k].elapsed();
        if (left > 0) {
            m_watch[k].start(int(left));
            return;
        }
    }
    const bool connecting = m_mode[k] == Watch::Connect;
    m_mode[k] = Watch::None;
    emit timedOut(k, connecting, connecting ? m_connect : m_receive);
}

void PartTimers::scheduleRetry(int k, int seconds) {
    m_retry[k].start(toMs(seconds));
}

bool PartTimers::anyRetryPending() const {
    for (int k = 1; k <= kMaxParts; ++k)
        if (m_retry[k].isActive()) return true;
    return false;
}

void PartTimers::stopAll() {
    for (int k = 1; k <= kMaxParts; ++k) {
        stopWatch(k);
        m_retry[k].stop();
    }
}
