#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

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
