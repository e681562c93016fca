#include "engine/RateLimiter.h"

#include <algorithm>

RateLimiter::RateLimiter(const qint32 *limitKiB, QObject *parent)
    : QObject(parent), m_limitKiB(limitKiB) {
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &RateLimiter::tick);
    m_clock.start();
}

void RateLimiter::refill() {
    const double rate = double(std::max<qint32>(0, *m_limitKiB)) * 1024.0; // bytes per second
    const qint64 ms = m_clock.restart();
    // A burst of at most one tick and a bit: the limit holds over any second.
    const double burst = std::max(rate * 2 * kTickMs / 1000.0, 16384.0);
    m_tokens = std::min(burst, m_tokens + rate * double(ms) / 1000.0);
}

qint64 RateLimiter::take(qint64 wanted) {
    if (!limited()) return wanted;
    refill();
    const qint64 granted = std::min<qint64>(wanted, qint64(m_tokens));
    m_tokens -= double(granted);
    return granted;
}

void RateLimiter::giveBack(qint64 bytes) {
    if (bytes > 0 && limited()) m_tokens += double(bytes);
}

void RateLimiter::wait(QObject *context, std::function<void()> resume) {
    m_waiters.append({context, std::move(resume)});
    if (!m_timer.isActive()) m_timer.start();
}

void RateLimiter::tick() {
    // Every waiter gets its turn; one that still finds no tokens waits again.
    // Rotating the start keeps the connections even.
    QList<Waiter> waiters;
    waiters.swap(m_waiters);
    if (waiters.isEmpty()) {
        m_timer.stop();
        return;
    }
    const int n = int(waiters.size());
    const int first = int(m_turn++ % quint32(n));
    for (int i = 0; i < n; ++i) {
        Waiter &w = waiters[(first + i) % n];
        if (w.context) w.resume();
    }
    if (m_waiters.isEmpty()) m_timer.stop();
}
