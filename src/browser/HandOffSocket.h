#pragma once

#include <QByteArray>
#include <QString>

// The running program's per-user local socket and a blocking client for it
// (used before an event loop runs: by a second start of the program and by
// the native-messaging host).
class HandOffSocket {
public:
    // "$XDG_RUNTIME_DIR/moorquill-<uid>.sock"; without a usable runtime folder,
    // the same name in /tmp/moorquill-<uid>/, created owner-only. Empty when no
    // folder is safe to use (one that another user owns or others may enter).
    static QString path();

    // True when a program accepts connections on `path`.
    static bool answers(const QString &path, int timeoutMs = 1000);

    // Sends one message and waits for the reply. True for an "ok" reply; false
    // with *error when nobody listens, the time runs out or the program said
    // "error" (then *error is its reason and *refused is set).
    static bool send(const QString &path, const QByteArray &json, int timeoutMs, QString *error,
                     bool *refused = nullptr);
};
