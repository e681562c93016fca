#pragma once

#include <QDateTime>
#include <QString>

#include "jobs/DownJobRecord.h"

// When a failed connection of a part is tried again. A part may be retried
// `Retries` times, `Redelay` seconds apart; every block of data it receives
// gives it its full count back. Answers 4xx other than 408 and 429 are final;
// 429 and 503 may name their own delay in Retry-After (at most 10 minutes).
class PartRetryPolicy {
public:
    struct Decision {
        bool retry = false;
        int attempt = 0; // 1-based number of this retry
        int seconds = 0; // delay before it
    };

    static constexpr int kMaxRetryAfter = 600;

    void reset(int retries, int redelay);
    void dataArrived(int k) { m_used[k] = 0; }
    // A connection of part k failed; `status` is the answer's code (0 when
    // the connection itself failed), `retryAfter` its Retry-After value.
    Decision failed(int k, int status = 0, const QString &retryAfter = QString(),
                    const QDateTime &now = QDateTime::currentDateTimeUtc());
    int retries() const { return m_retries; }

    // 4xx and 5xx answers are errors: never saved as the file.
    static bool IsErrorStatus(int status) { return status >= 400 && status <= 599; }
    static bool IsRetryableStatus(int status);
    // Seconds of a Retry-After value (delta seconds or an HTTP date), capped
    // at kMaxRetryAfter; -1 when it is missing or unreadable.
    static int RetryAfterSeconds(const QString &value, const QDateTime &now);
    // "Retry n of N in S s".
    static QString RetryText(const Decision &decision, int retries);

    // Length of one "second" of the settings in milliseconds (tests shorten it).
    static int MsPerSecond;
    // Milliseconds of `seconds` of the settings, for a timer.
    static int Ms(int seconds) { return int(qMin<qint64>(qint64(seconds) * MsPerSecond, 1 << 30)); }

private:
    int m_retries = 0;
    int m_redelay = 0;
    int m_used[kMaxParts + 1] = {};
};
