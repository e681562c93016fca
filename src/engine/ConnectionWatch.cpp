#include "engine/ConnectionWatch.h"

#include "engine/PartRetryPolicy.h"

ConnectionWatch::ConnectionWatch(QObject *parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ConnectionWatch::expired);
}

void ConnectionWatch::setLimits(int connectSeconds, int receiveSeconds) {
    m_connect = qMax(0, connectSeconds);
    m_receive = qMax(0, receiveSeconds);
}

void ConnectionWatch::watchConnect() {
    arm(Watch::Connect, m_connect);
}

void ConnectionWatch::watchReceive() {
    m_last.start();
    arm(Watch::Receive, m_receive);
}

void ConnectionWatch::arm(Watch mode, int seconds) {
    m_mode = mode;
    if (seconds > 0)
        m_timer.start(PartRetryPolicy::Ms(seconds));
    else
        m_timer.stop();
}

void ConnectionWatch::stop() {
    m_mode = Watch::None;
    m_timer.stop();
}

void ConnectionWatch::expired() {
    if (m_mode == Watch::Receive) {
        const qint64 left = PartRetryPolicy::Ms(m_receive) - m_last.elapsed();
        if (left > 0) {
            m_timer.start(int(left));
            return;
        }
    }
    const bool connecting = m_mode == Watch::Connect;
    m_mode = Watch::None;
    emit timedOut(connecting, connecting ? m_connect : m_receive);
}
