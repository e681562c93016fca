#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QSocketNotifier;
struct JobLogEntry;

// Arguments, output and signal handling shared by the commands that download.

// Walks a command's arguments: each one in turn, and an option's value.
class ArgCursor {
public:
    explicit ArgCursor(const QStringList &args) : m_args(args) {}
    bool atEnd() const { return m_next >= m_args.size(); }
    const QString &next() { return m_args[m_next++]; }
    // The argument after the current option; false when there is none.
    bool value(QString &into) {
        if (atEnd()) return false;
        into = next();
        return true;
    }

private:
    const QStringList &m_args;
    int m_next = 0;
};

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
