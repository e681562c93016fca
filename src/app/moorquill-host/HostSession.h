#pragma once

#include "browser/MessageFrames.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class QLocalSocket;
class QSocketNotifier;

// One conversation with the browser: framed JSON messages on stdin, a framed
// reply for each on stdout (nothing else is ever written there). Hand-offs go
// to the running program's local socket; when no program runs, it is started
// and the hand-off delivered as soon as its socket answers. A scan of a page
// chosen in the browser's menu ("scanpage") goes the same way.
//
// The extension's long-lived port says "listen" first: then the host keeps a
// connection to the program (trying again while none runs), registers there
// with its parent process (the browser) and the browser's name, writes the
// program's scan requests to stdout and sends the extension's answers back.
class HostSession : public QObject {
    Q_OBJECT
public:
    static constexpr int StartWaitMs = 10000;   // how long a started program may take
    static constexpr int RetryFirstMs = 1000;   // first wait before connecting again
    static constexpr int RetryLongestMs = 8000; // the waits double up to this
    // A port's host says "ok" this often: a message from the port keeps
    // Chromium's service worker (and so the port) running while nothing happens.
    static constexpr int KeepAliveMs = 20000;

    // `arguments`: what the browser started the host with (Chromium passes
    // the extension's origin, Firefox the manifest's path and the add-on id).
    explicit HostSession(const QStringList &arguments = {}, QObject *parent = nullptr);

signals:
    void finished(); // the browser closed stdin

private:
    void readInput();
    void handle(const QByteArray &payload);
    QString deliver(const QByteArray &json); // "" when delivered, else the reason
    void reply(const QByteArray &json);
    void connectProgram();
    void programLost();
    void readProgram();

    QSocketNotifier *m_input;
    MessageFrames m_frames;
    QString m_browser;
    // The long-lived port's connection to the program.
    bool m_port = false;
    QLocalSocket *m_program = nullptr;
    MessageFrames m_programFrames;
    QTimer m_retry;
    QTimer m_keepAlive;
    int m_retryWait = RetryFirstMs;
};
