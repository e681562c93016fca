#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The clock of one connection: a connect time-out while it opens, a receive
// time-out while it waits for bytes (the answer's header included).
// Receiving only notes the time; the timer re-arms itself for what is left,
// so a busy connection costs no timer work per block.
class ConnectionWatch : public QObject {
    Q_OBJECT
public:
    explicit ConnectionWatch(QObject *parent = nullptr);

    // Limits in seconds of the settings; 0 switches that time-out off.
    void setLimits(int connectSeconds, int receiveSeconds);
    void watchConnect();
    void watchReceive();
    void activity() { m_last.start(); }
    void stop();

signals:
    void timedOut(bool connecting, int seconds);

private:
    enum class Watch { None, Connect, Receive };
    void arm(Watch mode, int seconds);
    void expired();

    int m_connect = 0;
    int m_receive = 0;
    Watch m_mode = Watch::None;
    QTimer m_timer;
    QElapsedTimer m_last;
};
