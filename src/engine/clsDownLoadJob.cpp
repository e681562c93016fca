#include "engine/clsDownLoadJob.h"

#include "core/AppCore.h"
#include "core/OleDate.h"
#include "engine/HttpExchange.h"
#include "engine/PartTimers.h"
#include "engine/PartTransport.h"
#include "engine/RangeBook.h"
#include "engine/RateLimiter.h"
#include "engine/SocketGraveyard.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace {
constexpr qint64 kSplitThreshold = 51200;
constexpr int kMaxHeaderBytes = 64 * 1024;
const QString kDataArrival = QStringLiteral("DataArrival");
} // namespace

clsDownLoadJob::clsDownLoadJob(AppCore &core, QObject *parent)
    : QObject(parent), m_core(core), m_timers(new PartTimers(this)) {
    connect(m_timers, &PartTimers::timedOut, this, [this](int k, bool connecting, int seconds) {
        SocketGraveyard::Scope scope;
        onTimeout(k, connecting, seconds);
    });
    connect(m_timers, &PartTimers::retryDue, this, [this](int k) {
        SocketGraveyard::Scope scope;
        retryDue(k);
    });
}

clsDownLoadJob::~clsDownLoadJob() {
    closeAll();
}

bool clsDownLoadJob::Create(int index) {
    JobIndex = qint16(index);
    m_created = false;
    m_reusePath = false;
    m_restarts = 0;
    if (!m_core.DownJobs.isValid(index)) return false;
    DownJobRecord copy = m_core.DownJobs[index];
    if (!HttpExchange::ParseUrl(copy)) return false;
    m_created = true;
    m_job = copy;
    m_job.State = StateRunning;
    SaveDownState();
    return true;
}

void clsDownLoadJob::ReadDownState() {
    if (m_core.DownJobs.isValid(JobIndex)) m_job = m_core.DownJobs[JobIndex];
}

void clsDownLoadJob::SaveDownState() {
    if (m_core.DownJobs.isValid(JobIndex)) m_core.DownJobs[JobIndex] = m_job;
}

void clsDownLoadJob::CalcHaveDown() {
    // Bytes counted twice where ranges overlap never push it past the size;
    // completion also checks that the ranges leave no gap.
    qint64 have = RangeBook::HaveDown(m_job);
    if (m_job.TotalSize > 0 && have > m_job.TotalSize) have = m_job.TotalSize;
    m_job.Received = qint32(qBound<qint64>(0, have, qint64(kUnknownEnd)));
}

int clsDownLoadJob::OpenConnections() const {
    int open = 0;
    for (int k = 1; k <= kMaxParts; ++k)
        open += m_parts[k].sock != nullptr;
    return open;
}

bool clsDownLoadJob::report(int part, const QString &type, const QString &text) {
    const quint32 run = m_run;
    emit UpDataState(qint16(part), type, text);
    return run == m_run;
}

void clsDownLoadJob::letEventsRun() {
    QCoreApplication::processEvents();
}

// ---- starting, pausing, ending -------------------------------------------

void clsDownLoadJob::Start() {
    closeAll();
    ++m_run;
    m_answered = false;
    // TLS servers are today's servers, which refuse a header name with a
    // space: https requests leave that line out from the start.
    m_plainRequest = HttpExchange::IsHttps(m_job.Url);
    m_lastError.clear();
    m_idleRounds = 0;
    m_refillHave = -1;
    m_retry.reset(m_core.settings.Retries, m_core.settings.Redelay);
    m_timers->setLimits(m_core.settings.Ctimeout, m_core.settings.Rtimeout);
    m_job.StartTime = OleDate::now();
    if (m_job.Parts < 1 || m_job.Parts > kMaxParts)
        m_job.Parts = qint16(qBound(1, int(m_job.Parts), kMaxParts));
    if (!m_created) {
        fail(QStringLiteral("The URL cannot be used: \"%1\" (an http:// or https:// URL with a "
                            "host, a \"/\" behind it and a port from 1 to 65535 is needed).")
                 .arg(m_job.Url));
        return;
    }
    // A missing file or an unknown size cannot be continued: start afresh.
    if (!m_job.IsNew && (m_job.SavePath.isEmpty() ||
                         (m_job.TotalSize == 0 && m_job.part(1).EndPos != kUnknownEnd))) {
        m_job.IsNew = kTrue;
        RangeBook::ClearRanges(m_job);
    }
    // A file deleted meanwhile (or its folder) is fetched again under its
    // name: its parts' positions describe bytes that are gone.
    if (!m_job.IsNew && !QFileInfo::exists(m_job.SavePath)) {
        if (!report(
                1, QStringLiteral("Restart"),
                QStringLiteral("The file %1 is gone; downloading it again.").arg(m_job.SavePath)))
            return;
        m_job.IsNew = kTrue;
        m_job.TotalSize = 0;
        RangeBook::ClearRanges(m_job);
        m_reusePath = true;
    }
    if (m_job.IsNew)
        m_resume.clear();
    else
        m_resume.load(m_core.paths.JobDbPath, m_job.SavePath);
    const quint32 run = m_run;
    openPart(1, false);
    if (run != m_run) return;
    letEventsRun();
    if (run != m_run) return;
    m_core.lists.SetStateIcon(JobItem, m_job.State);
}

void clsDownLoadJob::Pause() {
    // An idle object holds a finished job's old copy: nothing to stop or save.
    if (!Busy && OpenConnections() == 0 && !m_file.isOpen()) return;
    ++m_run;
    m_job.State = StatePaused;
    m_job.ElapsedTime = OleDate::now() - m_job.StartTime;
    m_job.TotalTime += m_job.ElapsedTime;
    closeAll();
    // A job paused before its size was learnt starts again as a new job.
    if (m_answered || !m_job.IsNew) m_job.IsNew = kFalse;
    m_job.FileOpen = kFalse;
    m_file.close();
    CalcHaveDown();
    SaveDownState();
    Busy = false;
    m_redirects = 0;
    m_core.lists.SetStateIcon(JobItem, StatePaused);
}

void clsDownLoadJob::Finish() {
    ++m_run;
    closeAll();
    m_file.close();
    m_job.FileOpen = kFalse;
}

void clsDownLoadJob::fail(const QString &reason) {
    ++m_run;
    closeAll();
    m_file.close();
    m_job.FileOpen = kFalse;
    m_job.State = StateError;
    // Once the size is known the job continues from its positions when it
    // is started again (after a full disk was cleared, a server came back).
    if (m_answered && m_job.TotalSize > 0) m_job.IsNew = kFalse;
    m_redirects = 0;
    Busy = false;
    m_core.lists.SetStateIcon(JobItem, StateError);
    report(1, QStringLiteral("JobError"), reason);
}

// ---- connections -----------------------------------------------------------

void clsDownLoadJob::openPart(int k, bool refill) {
    closeSock(k);
    Connection &c = m_parts[k];
    c = Connection{};
    c.refill = refill;
    const bool proxy = m_job.UseProxy != 0;
    const PartTransport::Target to = target();
    QTcpSocket *sock = takeWarm(k);
    const bool warm = sock != nullptr;
    if (!warm) {
        sock = PartTransport::Create(to, this, this,
                                     [this, k](const QString &reason) { tlsFailed(k, reason); });
        sock->setReadBufferSize(kBlockSize); // bounded memory; TCP holds back the rest
    }
    PartTransport::ConnectReady(sock, this, [this, k, sock] {
        SocketGraveyard::Scope scope;
        onConnected(k, sock);
    });
    c.sock = sock;
    if (to.tls) {
        // The TLS socket announces every few KiB it decrypts; reading once
        // it has decrypted all that arrived keeps writes and reports large.
        connect(sock, &QTcpSocket::readyRead, this, [this, k, sock] {
            if (m_parts[k].sock != sock || m_parts[k].drainDue) return;
            m_parts[k].drainDue = true;
            QMetaObject::invokeMethod(
                this,
                [this, k, sock] {
                    if (m_parts[k].sock != sock) return;
                    m_parts[k].drainDue = false;
                    SocketGraveyard::Scope scope;
                    onReadyRead(k, sock);
                },
                Qt::QueuedConnection);
        });
    } else {
        connect(sock, &QTcpSocket::readyRead, this, [this, k, sock] {
            SocketGraveyard::Scope scope;
            onReadyRead(k, sock);
        });
    }
    connect(sock, &QTcpSocket::disconnected, this, [this, k, sock] {
        SocketGraveyard::Scope scope;
        onDisconnected(k, sock);
    });
    connect(sock, &QTcpSocket::errorOccurred, this, [this, k, sock] {
        SocketGraveyard::Scope scope;
        onError(k, sock);
    });
    const QString host = proxy ? m_job.ProxyHost : m_job.Host;
    const quint16 port = proxy ? m_job.proxyPortNumber() : m_job.portNumber();
    if (!report(k, QStringLiteral("Connecting"), host + QLatin1Char(':') + QString::number(port)))
        return;
    if (m_parts[k].sock != sock) return;
    c.HeaderPending = true;
    m_timers->watchConnect(k);
    if (!warm) {
        PartTransport::Open(sock, to);
    } else if (PartTransport::IsReady(sock)) {
        // Its handshake is over: the request goes out from the event loop.
        QTimer::singleShot(0, sock, [this, k, sock] {
            SocketGraveyard::Scope scope;
            onConnected(k, sock);
        });
    }
}

void clsDownLoadJob::closeSock(int k) {
    QTcpSocket *sock = m_parts[k].sock;
    if (!sock) return;
    m_parts[k].sock = nullptr;
    m_timers->stopWatch(k);
    sock->disconnect(this);
    sock->abort();
    SocketGraveyard::retire(sock);
}

void clsDownLoadJob::closeAll() {
    for (int k = 1; k <= kMaxParts; ++k) {
        closeSock(k);
        dropWarm(k);
    }
    m_timers->stopAll();
}

void clsDownLoadJob::onConnected(int k, QTcpSocket *sock) {
    if (m_parts[k].sock != sock) return;
    m_timers->watchReceive(k);
    const bool proxy = m_job.UseProxy != 0;
    QString text = (proxy ? m_job.ProxyHost : m_job.Host) + QLatin1Char(':') +
                   QString::number(proxy ? m_job.proxyPortNumber() : m_job.portNumber());
    if (k == 1) text += QStringLiteral("(IP:") + sock->peerAddress().toString() + QLatin1Char(')');
    if (!report(k, QStringLiteral("Connected"), text) || m_parts[k].sock != sock) return;
    // Continuing requests name the file they continue (If-Range).
    const QByteArray request = HttpExchange::RequestText(
        m_job, m_job.part(k).Pos, !m_plainRequest, m_job.IsNew ? QString() : m_resume.ifRange());
    sock->write(request);
    const quint32 run = m_run;
    letEventsRun();
    if (run != m_run || m_parts[k].sock != sock) return;
    if (!report(k, QStringLiteral("Request"), QString::fromLatin1(request)) ||
        m_parts[k].sock != sock)
        return;
    // An answer that came in meanwhile waited for the request's report.
    m_parts[k].requested = true;
    if (sock->bytesAvailable() > 0) onReadyRead(k, sock);
    // A server that answered and closed meanwhile: its close waited as well.
    if (run == m_run && m_parts[k].sock == sock &&
        sock->state() == QAbstractSocket::UnconnectedState)
        onDisconnected(k, sock);
}

void clsDownLoadJob::onReadyRead(int k, QTcpSocket *sock) {
    if (m_parts[k].sock != sock || !m_parts[k].requested) return;
    m_timers->activity(k);
    if (m_buffer.size() < kBlockSize) m_buffer.resize(kBlockSize);
    const quint32 run = m_run;
    while (m_parts[k].sock == sock && run == m_run) {
        qint64 want = kBlockSize;
        const bool paced = m_limiter && m_limiter->limited();
        if (paced) {
            const qint64 available = sock->bytesAvailable();
            if (available <= 0) break;
            want = m_limiter->take(qMin(want, available));
            if (want == 0) {
                waitForTokens(k, sock);
                break;
            }
        }
        const qint64 n = sock->read(m_buffer.data(), want);
        if (paced) m_limiter->giveBack(want - qMax<qint64>(0, n));
        if (n <= 0) break;
        handleBlock(k, m_buffer.constData(), n);
    }
}

void clsDownLoadJob::waitForTokens(int k, QTcpSocket *sock) {
    if (m_parts[k].paced) return;
    m_parts[k].paced = true;
    const quint32 run = m_run;
    m_limiter->wait(this, [this, k, sock, run] {
        if (run != m_run || m_parts[k].sock != sock) return;
        SocketGraveyard::Scope scope;
        m_parts[k].paced = false;
        if (sock->state() == QAbstractSocket::UnconnectedState)
            onDisconnected(k, sock);
        else
            onReadyRead(k, sock);
    });
}

void clsDownLoadJob::onDisconnected(int k, QTcpSocket *sock) {
    // Before the request is reported the answer is not read yet (onConnected
    // comes back here).
    if (m_parts[k].sock != sock || !m_parts[k].requested) return;
    const quint32 run = m_run;
    onReadyRead(k, sock); // whatever is still buffered
    if (run != m_run || m_parts[k].sock != sock) return;
    if (m_parts[k].paced) return; // the rest is read when the speed limit allows
    Connection &c = m_parts[k];
    if (c.HeaderPending && !c.collected.isEmpty()) {
        handleFirstBlock(k, nullptr, 0, true);
        if (run != m_run || m_parts[k].sock != sock) return;
    }
    // Without a size, the server's close tells it: what part 1 received.
    if (k == 1 && !c.HeaderPending && m_job.part(1).EndPos == kUnknownEnd) {
        m_job.TotalSize = m_job.part(1).Pos;
        m_job.part(1).EndPos = m_job.part(1).Pos;
    }
    const bool refill = c.refill || c.answered;
    // Closed before its range was complete: the connection failed.
    const bool early = m_job.TotalSize > 0 && RangeBook::NeedsData(m_job, k) &&
                       (k != 1 || m_job.part(1).EndPos != kUnknownEnd);
    closeSock(k);
    if (!report(k, QStringLiteral("Close"), QStringLiteral("ByServer"))) return;
    if (early && m_retry.retries() > 0) {
        m_lastError = QStringLiteral("The server closed the connection at byte %1 of %2.")
                          .arg(m_job.part(k).Pos)
                          .arg(m_job.part(k).EndPos);
        partFailed(k, refill, 0, m_lastError);
        return;
    }
    scheduleRefill();
}

void clsDownLoadJob::onError(int k, QTcpSocket *sock) {
    if (m_parts[k].sock != sock || sock->error() == QAbstractSocket::RemoteHostClosedError ||
        !m_parts[k].tlsError.isEmpty())
        return; // a server close arrives as disconnected(); a refused certificate ends the job
    const QString text = QString::number(int(sock->error())) + sock->errorString();
    m_lastError = sock->errorString();
    const bool refill = m_parts[k].refill || m_parts[k].answered;
    closeSock(k);
    if (!report(k, QStringLiteral("Error"), text)) return;
    partFailed(k, refill, 0, m_lastError);
}

// ---- receiving -------------------------------------------------------------

void clsDownLoadJob::handleBlock(int k, const char *data, qint64 size) {
    if (size <= 0) return;
    if (m_parts[k].HeaderPending) {
        handleFirstBlock(k, data, size, false);
        return;
    }
    if (!writeBody(k, data, size)) return;
    if (!report(k, kDataArrival, QString::number(size))) return;
    afterBlock(k);
}

void clsDownLoadJob::handleFirstBlock(int k, const char *data, qint64 size, bool whole) {
    Connection &c = m_parts[k];
    if (size > 0) c.collected.append(data, int(size));
    int length = HttpExchange::HeaderLength(c.collected);
    if (length < 0) {
        // The header may still be on its way; collect up to a limit, then
        // treat everything as body.
        if (!whole && c.collected.size() < kMaxHeaderBytes) return;
        length = 0;
    }
    c.HeaderPending = false;
    const QByteArray block = std::move(c.collected);
    c.collected = QByteArray();
    c.header = QString::fromLatin1(block.constData(), length);
    c.headerLength = length;
    c.status = HttpExchange::GetStatusCode(c.header);
    if (!report(k, QStringLiteral("Response"), c.header)) return;
    if (!m_plainRequest && HttpExchange::IsBadRequest(c.header)) {
        // Refused for the "Accept -Encoding" line: ask again without it.
        m_plainRequest = true;
        const bool refill = c.refill;
        closeSock(k);
        if (!report(k, QStringLiteral("Retry"),
                    QStringLiteral("The server refused the request (answer 400); sending it again "
                                   "without the line \"Accept -Encoding: gzip , deflate\".")))
            return;
        openPart(k, refill);
        return;
    }
    c.answered = true;
    // An error answer is never saved as the file.
    const int code = HttpExchange::StatusNumber(c.header);
    // (416: the range starts at the end; part 1 may already have it all.)
    if (PartRetryPolicy::IsErrorStatus(code) && code != 416 && answerError(k, code)) return;
    if (c.status == QLatin1String("206") && m_job.TotalSize > 0 &&
        !ResumeValidator::SameSize(c.header, m_job.TotalSize)) {
        restartChanged();
        return;
    }
    const char *body = block.constData() + length;
    const qint64 bodySize = block.size() - length;
    if (m_parts[k].refill)
        refillFirstBlock(k, body, bodySize);
    else if (k == 1)
        firstBlockPart1(body, bodySize);
    else if (k == 2)
        rangeTest(body, bodySize);
    else
        laterPartFirstBlock(k, body, bodySize);
}

void clsDownLoadJob::firstBlockPart1(const char *body, qint64 size) {
    const QString &status = m_parts[1].status;
    if (status == QLatin1String("30")) {
        redirect();
        return;
    }
    m_redirects = 0;
    m_answered = true;
    if (m_job.IsNew) {
        newJobFirstBlock(body, size, m_reusePath);
        return;
    }
    if (m_job.TotalSize > 0 && m_job.part(1).Pos >= m_job.TotalSize &&
        HttpExchange::IsRangeNotSatisfiable(m_parts[1].header)) {
        // Part 1 already has everything up to the end of the file.
        closeSock(1);
        if (!m_file.isOpen() && !openSavedFile()) return;
        if (m_job.Parts >= 2 && !startRangeTest()) return;
        if (!report(1, QStringLiteral("Close"), QStringLiteral("ByServer"))) return;
        scheduleRefill();
        return;
    }
    if (m_job.part(1).Pos > 0 && status != QLatin1String("206")) {
        // The answer is the whole file, not the rest of it: begin again.
        if (!report(1, QStringLiteral("Restart"),
                    QStringLiteral("File changed on server, restart")))
            return;
        m_file.close();
        m_job.IsNew = kTrue;
        RangeBook::ClearRanges(m_job);
        newJobFirstBlock(body, size, true);
        return;
    }
    resumedFirstBlock(body, size);
}

void clsDownLoadJob::newJobFirstBlock(const char *body, qint64 size, bool reusePath) {
    const QString &header = m_parts[1].header;
    const bool sizeKnown = HttpExchange::HasField(header, QStringLiteral("Content-Length:"));
    const qint64 total = HttpExchange::LeadingNumber(HttpExchange::GetContentLength(header));
    if (total > kUnknownEnd) {
        fail(QStringLiteral("The file is too large: %1 bytes (at most 2147483647 bytes can be "
                            "downloaded).")
                 .arg(total));
        return;
    }
    m_job.TotalSize = sizeKnown ? qint32(total) : 0;
    m_job.part(1).EndPos = sizeKnown ? qint32(total) : kUnknownEnd;
    if (!CreateFileForSave(reusePath)) return;
    m_resume.takeFrom(header);
    m_resume.store(m_core.paths.JobDbPath, m_job.SavePath);
    if (!writeBody(1, body, size)) return;
    if (!report(1, kDataArrival, QString::number(size))) return;
    if (sizeKnown && m_job.TotalSize > kSplitThreshold && m_job.Parts >= 2 && !startRangeTest())
        return;
    afterBlock(1);
}

void clsDownLoadJob::resumedFirstBlock(const char *body, qint64 size) {
    if (!m_file.isOpen() && !openSavedFile()) return;
    if (!writeBody(1, body, size)) return;
    if (!report(1, kDataArrival, QString::number(size))) return;
    if (m_job.Parts >= 2 && m_job.TotalSize > 0 && !startRangeTest()) return;
    afterBlock(1);
}

bool clsDownLoadJob::startRangeTest() {
    QTcpSocket *sock1 = m_parts[1].sock;
    const quint32 run = m_run;
    CreateSocks2();
    if (run != m_run) return false;
    letEventsRun();
    return run == m_run && m_parts[1].sock == sock1;
}

void clsDownLoadJob::rangeTest(const char *body, qint64 size) {
    if (m_parts[2].status != QLatin1String("206")) {
        m_job.part(1).EndPos = m_job.TotalSize;
        m_job.CanResume = kFalse;
        closeSock(2);
        for (int k = 3; k <= kMaxParts; ++k)
            dropWarm(k);
        if (!report(2, QStringLiteral("ReSumeTestError"), m_job.Url)) return;
    } else {
        m_job.part(1).EndPos = RangeBook::Part1EndAfterRangeTest(m_job);
        m_job.CanResume = kTrue;
        if (!writeBody(2, body, size)) return;
        if (!report(2, kDataArrival, QString::number(size))) return;
        if (m_job.Parts >= 3) {
            const quint32 run = m_run;
            CreateSocks3_5();
            if (run != m_run) return;
        }
    }
    afterBlock(2);
}

void clsDownLoadJob::laterPartFirstBlock(int k, const char *body, qint64 size) {
    if (m_parts[k].status == QLatin1String("206")) {
        if (!writeBody(k, body, size)) return;
        if (!report(k, kDataArrival, QString::number(size))) return;
        afterBlock(k);
        return;
    }
    // Not range data: nothing of it may reach the file. The nearest running
    // part below takes the range over; without one it is fetched again once
    // the other connections are done.
    closeSock(k);
    for (int j = k - 1; j >= 1; --j) {
        if (!RangeBook::InUse(m_job, j) || !m_parts[j].sock) continue;
        PartRange &range = m_job.part(k);
        if (m_job.part(j).EndPos < range.EndPos) m_job.part(j).EndPos = range.EndPos;
        range = PartRange{};
        if (!report(k, QStringLiteral("Cancel"), QString::number(j))) return;
        break;
    }
    afterBlock(k);
    scheduleRefill();
}

void clsDownLoadJob::refillFirstBlock(int k, const char *body, qint64 size) {
    const QString &status = m_parts[k].status;
    const bool usable = m_job.part(k).Pos > 0
                            ? status == QLatin1String("206")
                            : (status == QLatin1String("200") || status == QLatin1String("206"));
    if (!usable) {
        closeSock(k);
        scheduleRefill();
        return;
    }
    if (!m_file.isOpen() && !openSavedFile()) return;
    if (!writeBody(k, body, size)) return;
    if (!report(k, kDataArrival, QString::number(size))) return;
    afterBlock(k);
}

void clsDownLoadJob::redirect() {
    closeSock(1);
    const QString location =
        HttpExchange::ResolveLocation(m_job.Url, HttpExchange::GetLocation(m_parts[1].header));
    if (++m_redirects > kMaxRedirects) {
        fail(QStringLiteral("Too many redirects (more than %1); the last one went to %2")
                 .arg(kMaxRedirects)
                 .arg(location));
        return;
    }
    DownJobRecord probe = m_job;
    probe.Url = location;
    if (location.isEmpty() || !HttpExchange::ParseUrl(probe)) {
        fail(QStringLiteral("Cannot follow the redirect: \"%1\" is not a usable http:// or "
                            "https:// URL.")
                 .arg(location));
        return;
    }
    if (HttpExchange::IsHttps(m_job.Url) && !HttpExchange::IsHttps(location) &&
        probe.Host.compare(m_job.Host, Qt::CaseInsensitive) != 0) {
        fail(QStringLiteral("Refused to follow the redirect from https to plain http on another "
                            "host: %1")
                 .arg(location));
        return;
    }
    m_job.Url = location;
    if (!report(1, QStringLiteral("Redirect"), m_job.Url)) return;
    SaveDownState();
    const int redirects = m_redirects;
    Create(JobIndex);
    m_redirects = redirects;
    Start();
}

void clsDownLoadJob::requestError(const QString &code) {
    closeSock(1);
    m_job.State = StateError;
    Busy = false;
    m_core.lists.SetStateIcon(JobItem, StateError);
    ++m_run;
    closeAll();
    m_file.close();
    m_job.FileOpen = kFalse;
    report(1, QStringLiteral("RequestError"), code);
}

// ---- after each block ------------------------------------------------------

void clsDownLoadJob::afterBlock(int j) {
    if (const int k = RangeBook::OvertakenPart(m_job, j)) {
        if (!CancelSock(j, k)) return;
    }
    const PartRange &range = m_job.part(j);
    if (range.Pos > range.EndPos && m_parts[j].sock) {
        closeSock(j);
        if (!report(j, QStringLiteral("Close"), QStringLiteral("MeComplete"))) return;
        scheduleRefill();
    }
}

bool clsDownLoadJob::CancelSock(int caller, int k) {
    closeSock(k);
    PartRange &range = m_job.part(k);
    // Part 1 has passed this part's position: it now owns the rest of it.
    if (m_job.TotalSize > 0 && m_job.part(1).EndPos < range.EndPos)
        m_job.part(1).EndPos = range.EndPos;
    range = PartRange{};
    return report(k, QStringLiteral("Cancel"), QString::number(caller));
}

void clsDownLoadJob::CreateSocks2() {
    if (m_job.IsNew) RangeBook::SplitRanges(m_job, m_job.TotalSize);
    const quint32 run = m_run;
    openPart(2, false);
    if (run == m_run) warmUp();
}

void clsDownLoadJob::CreateSocks3_5() {
    const quint32 run = m_run;
    for (int k = 3; k <= m_job.Parts && k <= kMaxParts; ++k) {
        if (!m_job.IsNew && !RangeBook::InUse(m_job, k)) continue; // cancelled earlier
        openPart(k, false);
        if (run != m_run) return;
    }
}
