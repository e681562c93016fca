#include "engine/PartRetryPolicy.h"

#include <QLocale>
#include <QTimeZone>

int PartRetryPolicy::MsPerSecond = 1000;

void PartRetryPolicy::reset(int retries, int redelay) {
    m_retries = qMax(0, retries);
    m_redelay = qMax(0, redelay);
    for (int &used : m_used)
        used = 0;
}

bool PartRetryPolicy::IsRetryableStatus(int status) {
    return status == 0 || status == 408 || status == 429 || (status >= 500 && status <= 599);
}

PartRetryPolicy::Decision PartRetryPolicy::failed(int k, int status, const QString &retryAfter,
                                                  const QDateTime &now) {
    Decision d;
    if (k < 1 || k > kMaxParts || !IsRetryableStatus(status) || m_used[k] >= m_retries) return d;
    d.retry = true;
    d.attempt = ++m_used[k];
    d.seconds = m_redelay;
    if (status == 429 || status == 503) {
        const int wait = RetryAfterSeconds(retryAfter, now);
        if (wait >= 0) d.seconds = wait;
    }
    return d;
}

int PartRetryPolicy::RetryAfterSeconds(const QString &value, const QDateTime &now) {
    const QString text = value.trimmed();
    if (text.isEmpty()) return -1;
    bool digits = true;
    for (const QChar c : text)
        digits = digits && c.isDigit();
    if (digits) {
        // Long values would overflow; anything past the cap is the cap.
        if (text.size() > 6) return kMaxRetryAfter;
        return qMin(text.toInt(), kMaxRetryAfter);
    }
    QDateTime at =
        QLocale::c().toDateTime(text.left(25), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss"));
    if (!at.isValid()) return -1;
    at.setTimeSpec(Qt::UTC);
    const qint64 seconds = now.secsTo(at);
    return int(qBound(qint64(0), seconds, qint64(kMaxRetryAfter)));
}

QString PartRetryPolicy::RetryText(const Decision &decision, int retries) {
    return QStringLiteral("Retry %1 of %2 in %3 s")
        .arg(decision.attempt)
        .arg(retries)
        .arg(decision.seconds);
}
