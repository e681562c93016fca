// Failures of a job's connections: time-outs, retries, error answers,
// refused certificates, a file that changed on the server, and fetching what
// is still missing once every connection has ended.
#include "engine/clsDownLoadJob.h"

#include "engine/HttpExchange.h"
#include "engine/PartTimers.h"
#include "engine/RangeBook.h"

#include <QTcpSocket>
#include <QTimer>

void clsDownLoadJob::tlsFailed(int k, const QString &reason) {
    // Raised inside the socket's handshake: end the job once it has returned.
    m_parts[k].tlsError = reason;
    const quint32 run = m_run;
    QTimer::singleShot(0, this, [this, run, reason] {
        if (run == m_run) fail(reason);
    });
}

void clsDownLoadJob::onTimeout(int k, bool connecting, int seconds) {
    if (!m_parts[k].sock) return;
    const QString what = connecting
                             ? QStringLiteral("Time Out: no connection within %1 s").arg(seconds)
                             : QStringLiteral("Time Out: nothing received for %1 s").arg(seconds);
    m_lastError = what;
    const bool refill = m_parts[k].refill || m_parts[k].answered;
    closeSock(k);
    if (!report(k, QStringLiteral("Error"),
                QString::number(int(QAbstractSocket::SocketTimeoutError)) + what))
        return;
    if (!report(k, QStringLiteral("TimeOut"), what + QLatin1Char('.'))) return;
    partFailed(k, refill, 0, what);
}

// ---- retries ---------------------------------------------------------------

void clsDownLoadJob::partFailed(int k, bool refill, int status, const QString &cause,
                                const QString &retryAfter) {
    if (m_retry.retries() == 0) { // no retries set: reconnect once all is quiet
        scheduleRefill();
        return;
    }
    if (!retryLater(k, refill, status, cause, retryAfter)) giveUp(k);
}

bool clsDownLoadJob::retryLater(int k, bool refill, int status, const QString &cause,
                                const QString &retryAfter) {
    const PartRetryPolicy::Decision d = m_retry.failed(k, status, retryAfter);
    if (!d.retry) return false;
    closeSock(k);
    m_retryRefill[k] = refill;
    m_timers->scheduleRetry(k, d.seconds);
    QString text = PartRetryPolicy::RetryText(d, m_retry.retries());
    if (!cause.isEmpty()) text += QStringLiteral(" (") + cause + QLatin1Char(')');
    report(k, QStringLiteral("Retry"), text);
    return true;
}

void clsDownLoadJob::retryDue(int k) {
    if (m_job.State != StateRunning || !Busy || m_parts[k].sock) return;
    // Meanwhile another part may have taken the range over or passed it.
    if (k > 1 && !RangeBook::InUse(m_job, k)) {
        scheduleRefill();
        return;
    }
    openPart(k, m_retryRefill[k]);
}

void clsDownLoadJob::restartChanged() {
    if (++m_restarts > kMaxRestarts) {
        fail(QStringLiteral("The file keeps changing on the server; download it again later."));
        return;
    }
    if (!report(1, QStringLiteral("Restart"), QStringLiteral("File changed on server, restart")))
        return;
    m_file.close();
    m_job.FileOpen = kFalse;
    m_job.IsNew = kTrue;
    m_job.TotalSize = 0;
    RangeBook::ClearRanges(m_job);
    m_reusePath = true;
    Start();
}

void clsDownLoadJob::giveUp(int k) {
    // The nearest running part below takes the rest of the range over.
    for (int j = k - 1; j >= 1; --j) {
        if (!m_parts[j].sock || !RangeBook::InUse(m_job, j)) continue;
        PartRange &range = m_job.part(k);
        if (m_job.part(j).EndPos < range.EndPos) m_job.part(j).EndPos = range.EndPos;
        range = PartRange{};
        if (!report(k, QStringLiteral("Cancel"), QString::number(j))) return;
        scheduleRefill();
        return;
    }
    QString text = QStringLiteral("Part %1 failed after %2 retries").arg(k).arg(m_retry.retries());
    if (!m_lastError.isEmpty()) text += QStringLiteral("; last cause: ") + m_lastError;
    fail(text + QLatin1Char('.'));
}

bool clsDownLoadJob::answerError(int k, int status) {
    const Connection &c = m_parts[k];
    const QString statusLine = HttpExchange::StatusLine(c.header);
    m_lastError = statusLine;
    if (m_retry.retries() > 0 &&
        retryLater(k, c.refill || (k == 1 && m_answered), status, statusLine,
                   HttpExchange::FieldValue(c.header, QStringLiteral("Retry-After:"))))
        return true;
    if (k != 1) return false; // not range data: the part's own path drops it
    requestError(QString::number(status));
    return true;
}

// ---- fetching what is missing ---------------------------------------------

void clsDownLoadJob::scheduleRefill() {
    if (OpenConnections() > 0 || m_timers->anyRetryPending() || m_job.State != StateRunning ||
        !Busy)
        return;
    const quint32 run = m_run;
    QTimer::singleShot(0, this, [this, run] {
        if (run == m_run) refill();
    });
}

void clsDownLoadJob::refill() {
    if (OpenConnections() > 0 || m_timers->anyRetryPending() || m_job.State != StateRunning) return;
    const qint64 have = RangeBook::HaveDown(m_job);
    m_idleRounds = have == m_refillHave ? m_idleRounds + 1 : 0;
    m_refillHave = have;
    if (m_idleRounds >= kMaxIdleRounds) {
        QString text = QStringLiteral("The server stopped delivering the file (%1 of %2 bytes "
                                      "received)")
                           .arg(have)
                           .arg(m_job.TotalSize);
        if (!m_lastError.isEmpty()) text += QStringLiteral("; last error: ") + m_lastError;
        fail(text + QLatin1Char('.'));
        return;
    }
    if (!m_answered && m_job.IsNew) {
        openPart(1, false);
        return;
    }
    const quint32 run = m_run;
    bool any = false;
    for (int k = 1; k <= m_job.Parts && k <= kMaxParts; ++k) {
        if (!RangeBook::NeedsData(m_job, k)) continue;
        any = true;
        openPart(k, true);
        if (run != m_run) return;
    }
    if (any) return;
    if (RangeBook::CoversWholeFile(m_job))
        report(1, QStringLiteral("Close"), QStringLiteral("MeComplete"));
    else
        fail(QStringLiteral("The parts of the file do not fit together; download it again."));
}
