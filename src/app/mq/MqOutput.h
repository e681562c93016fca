#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;
struct JobLogEntry;

// Output and signal handling shared by the commands that download.

// A JSON string literal for `text`.
QByteArray jsonString(const QString &text);
// Writes one line to stdout and flushes it.
void printLine(const QByteArray &line);
// A job log line as JSON: {"part":1,"icon":100,"text":"..."}.
QByteArray logLineJson(const JobLogEntry &entry);

// SIGINT and SIGTERM brought back into the event loop: while the object
// lives, each signal calls `handler` from the loop; afterwards the default
// actions are back.
class SignalWatch {
public:
    explicit SignalWatch(std::function<void()> handler);
    ~SignalWatch();
    bool ok() const { return m_notifier != nullptr; }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_handler;
};
