#include "engine/JobParts.h"

#include "core/Settings.h"
#include "engine/HttpExchange.h"
#include "engine/PartConnection.h"
#include "engine/RangeBook.h"
#include "engine/ResumeValidator.h"
#include "engine/SocketGraveyard.h"

#include <QAbstractSocket>
#include <QCoreApplication>

JobParts::JobParts(DownJobRecord &job, const bool &busy, const ResumeValidator &resume,
                   QObject *parent)
    : QObject(parent), m_job(job), m_busy(busy), m_resume(resume) {
    for (int k = 1; k <= kMaxParts; ++k) {
        auto *c = new PartConnection(k, m_buffer, this);
        m_parts[k] = c;
        connect(c, &PartConnection::connected, this, [this, k] { partConnected(k); });
        connect(c, &PartConnection::headerReceived, this,
                [this, k](const char *body, qint64 size) { partHeader(k, body, size); });
        connect(c, &PartConnection::bodyReceived, this,
                [this, k](const char *data, qint64 size) { emit blockReceived(k, data, size); });
        c->setPipe(&m_pipe, [this, k] { return m_pipeAccepts && m_pipeAccepts(k); });
        connect(c, &PartConnection::bodyPiped, this,
                [this, k](qint64 size) { emit blockPiped(k, &m_pipe, size); });
        connect(c, &PartConnection::closedByServer, this, [this, k] { partClosed(k); });
        connect(
            c, &PartConnection::failed, this,
            [this, k](const QString &text, const QString &reason) { partError(k, text, reason); });
        connect(c, &PartConnection::timedOut, this,
                [this, k](bool connecting, int seconds) { partTimedOut(k, connecting, seconds); });
        connect(c, &PartConnection::tlsRefused, this, &JobParts::partRefused);
        connect(c, &PartConnection::bodyRefused, this, &JobParts::partRefused);
        m_retryTimer[k].setSingleShot(true);
        connect(&m_retryTimer[k], &QTimer::timeout, this, [this, k] {
            SocketGraveyard::Scope scope;
            retryDue(k);
        });
    }
}

JobParts::~JobParts() {
    endRun();
}

void JobParts::setRateLimiter(RateLimiter *limiter) {
    for (int k = 1; k <= kMaxParts; ++k)
        m_parts[k]->setRateLimiter(limiter);
}

void JobParts::startRun(const Settings &settings) {
    endRun();
    m_answered = false;
    m_lastError.clear();
    m_idleRounds = 0;
    m_refillHave = -1;
    m_retry.reset(settings.Retries, settings.Redelay);
    for (int k = 1; k <= kMaxParts; ++k)
        m_parts[k]->setLimits(settings.Ctimeout, settings.Rtimeout);
}

void JobParts::endRun() {
    ++m_run;
    for (int k = 1; k <= kMaxParts; ++k) {
        m_parts[k]->close();
        m_parts[k]->dropAhead();
        m_retryTimer[k].stop();
    }
}

bool JobParts::report(int k, JobReport type, const QString &text) {
    const quint32 run = m_run;
    emit reported(k, type, text);
    return run == m_run;
}

bool JobParts::isPartOpen(int k) const {
    return m_parts[k]->isOpen();
}

int JobParts::openCount() const {
    int open = 0;
    for (int k = 1; k <= kMaxParts; ++k)
        open += m_parts[k]->isOpen();
    return open;
}

quint32 JobParts::partGeneration(int k) const {
    return m_parts[k]->generation();
}

bool JobParts::refilling(int k) const {
    return m_parts[k]->isRefill();
}

const QString &JobParts::answerHeader(int k) const {
    return m_parts[k]->header();
}

const QString &JobParts::answerStatus(int k) const {
    return m_parts[k]->status();
}

bool JobParts::answerSized(int k) const {
    return m_parts[k]->sized();
}

// ---- connections -----------------------------------------------------------

PartTransport::Target JobParts::target() const {
    PartTransport::Target t;
    t.host = m_job.Host;
    t.port = m_job.portNumber();
    t.tls = HttpExchange::IsHttps(m_job.Url);
    t.proxy = m_job.UseProxy != 0;
    t.proxyHost = m_job.ProxyHost;
    t.proxyPort = m_job.proxyPortNumber();
    return t;
}

QString JobParts::serverText() const {
    const bool proxy = m_job.UseProxy != 0;
    return (proxy ? m_job.ProxyHost : m_job.Host) + QLatin1Char(':') +
           QString::number(proxy ? m_job.proxyPortNumber() : m_job.portNumber());
}

void JobParts::openPart(int k, bool refill) {
    PartConnection &c = *m_parts[k];
    c.openSocket(target(), refill);
    const quint32 opened = c.generation();
    if (!report(k, JobReport::Connecting, serverText()) || c.generation() != opened) return;
    c.connectSocket();
}

void JobParts::closePart(int k) {
    m_parts[k]->close();
}

void JobParts::dropWarm(int k) {
    m_parts[k]->dropAhead();
}

void JobParts::warmUp() {
    const PartTransport::Target to = target();
    if (!to.tls) return;
    for (int k = 3; k <= m_job.Parts && k <= kMaxParts; ++k) {
        PartConnection &c = *m_parts[k];
        if (c.isOpen() || c.hasAhead() || (!m_job.IsNew && !RangeBook::InUse(m_job, k))) continue;
        c.openAhead(to);
    }
}

void JobParts::partConnected(int k) {
    PartConnection &c = *m_parts[k];
    const quint32 opened = c.generation();
    QString text = serverText();
    if (k == 1) text += QStringLiteral("(IP:") + c.peerAddress() + QLatin1Char(')');
    if (!report(k, JobReport::Connected, text) || c.generation() != opened) return;
    // Continuing requests name the file they continue (If-Range).
    const QByteArray request = HttpExchange::RequestText(
        m_job, m_job.part(k).Pos, m_job.IsNew ? QString() : m_resume.ifRange());
    c.sendRequest(request);
    const quint32 run = m_run;
    QCoreApplication::processEvents();
    if (run != m_run || c.generation() != opened) return;
    if (!report(k, JobReport::Request, QString::fromLatin1(request)) || c.generation() != opened)
        return;
    c.startReading();
}

void JobParts::partHeader(int k, const char *body, qint64 size) {
    PartConnection &c = *m_parts[k];
    if (!report(k, JobReport::Response, c.header())) return;
    c.setAnswered();
    // An error answer is never saved as the file.
    const int code = HttpExchange::StatusNumber(c.header());
    // (416: the range starts at the end; part 1 may already have it all.)
    if (PartRetryPolicy::IsErrorStatus(code) && code != 416 && answerError(k, code)) return;
    // A coded range cannot be decoded on its own: the file is fetched whole.
    if (c.status() == QLatin1String("206") && c.contentDecoded()) {
        emit fileChanged();
        return;
    }
    if (c.status() == QLatin1String("206") && m_job.TotalSize > 0 &&
        !ResumeValidator::SameSize(c.header(), m_job.TotalSize)) {
        emit fileChanged();
        return;
    }
    emit answerReady(k, body, size);
}

void JobParts::partClosed(int k) {
    PartConnection &c = *m_parts[k];
    // Without a size, the server's close tells it: what part 1 received.
    if (k == 1 && !c.headerPending() && m_job.part(1).EndPos == kUnknownEnd) {
        m_job.TotalSize = m_job.part(1).Pos;
        m_job.part(1).EndPos = m_job.part(1).Pos;
    }
    const bool refill = c.isRefill() || c.answered();
    // Closed before its range was complete: the connection failed.
    const bool early = m_job.TotalSize > 0 && RangeBook::NeedsData(m_job, k) &&
                       (k != 1 || m_job.part(1).EndPos != kUnknownEnd);
    c.close();
    if (!report(k, JobReport::Close, QStringLiteral("ByServer"))) return;
    if (early && m_retry.retries() > 0) {
        m_lastError = QStringLiteral("The server closed the connection at byte %1 of %2.")
                          .arg(m_job.part(k).Pos)
                          .arg(m_job.part(k).EndPos);
        partFailed(k, refill, 0, m_lastError);
        return;
    }
    scheduleRefill();
}

void JobParts::partError(int k, const QString &text, const QString &reason) {
    m_lastError = reason;
    const bool refill = m_parts[k]->isRefill() || m_parts[k]->answered();
    closePart(k);
    if (!report(k, JobReport::Error, text)) return;
    partFailed(k, refill, 0, m_lastError);
}

void JobParts::partTimedOut(int k, bool connecting, int seconds) {
    const QString what = connecting
                             ? QStringLiteral("Time Out: no connection within %1 s").arg(seconds)
                             : QStringLiteral("Time Out: nothing received for %1 s").arg(seconds);
    m_lastError = what;
    const bool refill = m_parts[k]->isRefill() || m_parts[k]->answered();
    closePart(k);
    if (!report(k, JobReport::Error,
                QString::number(int(QAbstractSocket::SocketTimeoutError)) + what))
        return;
    if (!report(k, JobReport::TimeOut, what + QLatin1Char('.'))) return;
    partFailed(k, refill, 0, what);
}

void JobParts::partRefused(const QString &reason) {
    // Raised inside the socket's handshake: end the job once it has returned.
    const quint32 run = m_run;
    QTimer::singleShot(0, this, [this, run, reason] {
        if (run == m_run) emit failed(reason);
    });
}

// ---- recovery --------------------------------------------------------------

void JobParts::partFailed(int k, bool refill, int status, const QString &cause,
                          const QString &retryAfter) {
    if (m_retry.retries() == 0) { // no retries set: reconnect once all is quiet
        scheduleRefill();
        return;
    }
    if (!retryLater(k, refill, status, cause, retryAfter)) giveUp(k);
}

bool JobParts::retryLater(int k, bool refill, int status, const QString &cause,
                          const QString &retryAfter) {
    const PartRetryPolicy::Decision d = m_retry.failed(k, status, retryAfter);
    if (!d.retry) return false;
    closePart(k);
    m_retryRefill[k] = refill;
    m_retryTimer[k].start(PartRetryPolicy::Ms(d.seconds));
    QString text = PartRetryPolicy::RetryText(d, m_retry.retries());
    if (!cause.isEmpty()) text += QStringLiteral(" (") + cause + QLatin1Char(')');
    report(k, JobReport::Retry, text);
    return true;
}

void JobParts::retryDue(int k) {
    if (m_job.State != StateRunning || !m_busy || isPartOpen(k)) return;
    // Meanwhile another part may have taken the range over or passed it.
    if (k > 1 && !RangeBook::InUse(m_job, k)) {
        scheduleRefill();
        return;
    }
    openPart(k, m_retryRefill[k]);
}

int JobParts::takeOver(int k) {
    for (int j = k - 1; j >= 1; --j) {
        if (!isPartOpen(j) || !RangeBook::InUse(m_job, j)) continue;
        PartRange &range = m_job.part(k);
        if (m_job.part(j).EndPos < range.EndPos) m_job.part(j).EndPos = range.EndPos;
        range = PartRange{};
        return report(k, JobReport::Cancel, QString::number(j)) ? j : -1;
    }
    return 0;
}

void JobParts::giveUp(int k) {
    const int by = takeOver(k);
    if (by > 0) scheduleRefill();
    if (by != 0) return;
    QString text = QStringLiteral("Part %1 failed after %2 retries").arg(k).arg(m_retry.retries());
    if (!m_lastError.isEmpty()) text += QStringLiteral("; last cause: ") + m_lastError;
    emit failed(text + QLatin1Char('.'));
}

bool JobParts::answerError(int k, int status) {
    const PartConnection &c = *m_parts[k];
    const QString statusLine = HttpExchange::StatusLine(c.header());
    m_lastError = statusLine;
    if (m_retry.retries() > 0 &&
        retryLater(k, c.isRefill() || (k == 1 && m_answered), status, statusLine,
                   HttpExchange::FieldValue(c.header(), QStringLiteral("Retry-After:"))))
        return true;
    if (k != 1) return false; // not range data: the part's own path drops it
    emit requestRefused(status);
    return true;
}

// ---- fetching what is missing ---------------------------------------------

bool JobParts::retryPending() const {
    for (int k = 1; k <= kMaxParts; ++k)
        if (m_retryTimer[k].isActive()) return true;
    return false;
}

void JobParts::scheduleRefill() {
    if (openCount() > 0 || retryPending() || m_job.State != StateRunning || !m_busy) return;
    const quint32 run = m_run;
    QTimer::singleShot(0, this, [this, run] {
        if (run == m_run) refill();
    });
}

void JobParts::refill() {
    if (openCount() > 0 || retryPending() || m_job.State != StateRunning) return;
    const qint64 have = RangeBook::HaveDown(m_job);
    m_idleRounds = have == m_refillHave ? m_idleRounds + 1 : 0;
    m_refillHave = have;
    if (m_idleRounds >= kMaxIdleRounds) {
        QString text = QStringLiteral("The server stopped delivering the file (%1 of %2 bytes "
                                      "received)")
                           .arg(have)
                           .arg(m_job.TotalSize);
        if (!m_lastError.isEmpty()) text += QStringLiteral("; last error: ") + m_lastError;
        emit failed(text + QLatin1Char('.'));
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
        report(1, JobReport::Close, QStringLiteral("MeComplete"));
    else
        emit failed(
            QStringLiteral("The parts of the file do not fit together; download it again."));
}
