#pragma once

#include "browser/MessageFrames.h"

#include <QObject>
#include <QString>

class QSocketNotifier;

// One conversation with the browser: framed JSON messages on stdin, a framed
// reply for each on stdout (nothing else is ever written there). Hand-offs go
// to the running program's local socket; when no program runs, it is started
// and the hand-off delivered as soon as its socket answers.
class HostSession : public QObject {
    Q_OBJECT
public:
    static constexpr int StartWaitMs = 10000; // how long a started program may take

    explicit HostSession(QObject *parent = nullptr);

signals:
    void finished(); // the browser closed stdin

private:
    void readInput();
    void handle(const QByteArray &payload);
    QString deliver(const QByteArray &json); // "" when delivered, else the reason
    void reply(const QByteArray &json);

    QSocketNotifier *m_input;
    MessageFrames m_frames;
};
