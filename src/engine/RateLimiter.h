#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

// A speed limit for the sum of all connections of the program: a token
// bucket on the event loop. Readers take tokens before they read; without
// tokens they wait and are called back once the bucket has refilled (every
// tick), the socket's bounded buffer holding back the sender meanwhile. The
// limit is read from `limitKiB` at every refill, so a change takes effect
// within one tick.
class RateLimiter : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 50;

    explicit RateLimiter(const qint32 *limitKiB, QObject *parent = nullptr);

    bool limited() const { return *m_limitKiB > 0; }
    // Bytes the caller may read now, at most `wanted` (all when unlimited).
    qint64 take(qint64 wanted);
    // Returns tokens taken but not used.
    void giveBack(qint64 bytes);
    // Calls `resume` (within `context`) once tokens are there again.
    void wait(QObject *context, std::function<void()> resume);

private:
    void refill();
    void tick();

    const qint32 *m_limitKiB;
    double m_tokens = 0;
    QElapsedTimer m_clock;
    QTimer m_timer;
    struct Waiter {
        QPointer<QObject> context;
        std::function<void()> resume;
    };
    QList<Waiter> m_waiters;
    quint32 m_turn = 0;
};
