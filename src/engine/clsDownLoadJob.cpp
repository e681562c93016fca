#include "engine/clsDownLoadJob.h"

#include "base/OleDate.h"
#include "engine/HttpExchange.h"
#include "engine/JobParts.h"
#include "engine/PartConnection.h"
#include "engine/RangeBook.h"
#include "engine/ServerFileName.h"
#include "jobs/JobLists.h"
#include "jobs/JobTable.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
constexpr qint64 kSplitThreshold = 51200;
constexpr qint32 kUnknownEnd = JobParts::kUnknownEnd;
} // namespace

clsDownLoadJob::clsDownLoadJob(EngineStores stores, QObject *parent)
    : QObject(parent), m_stores(stores), m_parts(new JobParts(m_job, Busy, m_resume, this)) {
    connect(m_parts, &JobParts::reported, this, [this](int k, JobReport type, const QString &text) {
        emit UpDataState(qint16(k), type, text);
    });
    connect(m_parts, &JobParts::answerReady, this, &clsDownLoadJob::firstAnswer);
    connect(m_parts, &JobParts::blockReceived, this, &clsDownLoadJob::writeBlock);
    connect(m_parts, &JobParts::blockPiped, this, &clsDownLoadJob::writePiped);
    // A whole block fits below the largest size a job holds (else the
    // block comes in memory and writeBody refuses it).
    m_parts->setPipeAccepts([this](int k) {
        return m_file.isOpen() &&
               qint64(m_job.part(k).Pos) + PartConnection::kBlockSize <= kUnknownEnd;
    });
    connect(m_parts, &JobParts::fileChanged, this, &clsDownLoadJob::restartChanged);
    connect(m_parts, &JobParts::requestRefused, this, &clsDownLoadJob::requestError);
    connect(m_parts, &JobParts::failed, this, &clsDownLoadJob::fail);
}

clsDownLoadJob::~clsDownLoadJob() {
    m_parts->endRun();
}

void clsDownLoadJob::setRateLimiter(RateLimiter *limiter) {
    m_parts->setRateLimiter(limiter);
}

bool clsDownLoadJob::Create(int index) {
    JobIndex = qint16(index);
    m_created = false;
    m_reusePath = false;
    m_restarts = 0;
    if (!m_stores.jobs.isValid(index)) return false;
    DownJobRecord copy = m_stores.jobs[index];
    if (!HttpExchange::ParseUrl(copy)) return false;
    m_created = true;
    m_job = copy;
    m_job.State = StateRunning;
    SaveDownState();
    return true;
}

void clsDownLoadJob::ReadDownState() {
    if (m_stores.jobs.isValid(JobIndex)) m_job = m_stores.jobs[JobIndex];
}

void clsDownLoadJob::SaveDownState() {
    if (m_stores.jobs.isValid(JobIndex)) m_stores.jobs[JobIndex] = m_job;
}

void clsDownLoadJob::CalcHaveDown() {
    // Bytes counted twice where ranges overlap never push it past the size;
    // completion also checks that the ranges leave no gap.
    qint64 have = RangeBook::HaveDown(m_job);
    if (m_job.TotalSize > 0 && have > m_job.TotalSize) have = m_job.TotalSize;
    m_job.Received = qint32(qBound<qint64>(0, have, qint64(kUnknownEnd)));
}

int clsDownLoadJob::OpenConnections() const {
    return m_parts->openCount();
}

bool clsDownLoadJob::report(int part, JobReport type, const QString &text) {
    const quint32 run = m_parts->run();
    emit UpDataState(qint16(part), type, text);
    return run == m_parts->run();
}

void clsDownLoadJob::letEventsRun() {
    QCoreApplication::processEvents();
}

// ---- starting, pausing, ending -------------------------------------------

void clsDownLoadJob::Start() {
    m_parts->startRun(m_stores.settings);
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
                1, JobReport::Restart,
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
        m_resume.load(m_stores.dbPath, m_job.SavePath);
    const quint32 run = m_parts->run();
    m_parts->openPart(1, false);
    if (run != m_parts->run()) return;
    letEventsRun();
    if (run != m_parts->run()) return;
    m_stores.lists.SetStateIcon(JobItem, m_job.State);
}

void clsDownLoadJob::Pause() {
    // An idle object holds a finished job's old copy: nothing to stop or save.
    if (!Busy && OpenConnections() == 0 && !m_file.isOpen()) return;
    m_job.State = StatePaused;
    m_job.ElapsedTime = OleDate::now() - m_job.StartTime;
    m_job.TotalTime += m_job.ElapsedTime;
    Finish();
    // A job paused before its size was learnt starts again as a new job.
    if (m_parts->answered() || !m_job.IsNew) m_job.IsNew = kFalse;
    CalcHaveDown();
    SaveDownState();
    Busy = false;
    m_redirects = 0;
    m_stores.lists.SetStateIcon(JobItem, StatePaused);
}

void clsDownLoadJob::Finish() {
    m_parts->endRun();
    m_file.close();
    m_job.FileOpen = kFalse;
}

void clsDownLoadJob::fail(const QString &reason) {
    Finish();
    m_job.State = StateError;
    // Once the size is known the job continues from its positions when it
    // is started again (after a full disk was cleared, a server came back).
    if (m_parts->answered() && m_job.TotalSize > 0) m_job.IsNew = kFalse;
    m_redirects = 0;
    Busy = false;
    m_stores.lists.SetStateIcon(JobItem, StateError);
    report(1, JobReport::JobError, reason);
}

void clsDownLoadJob::requestError(int status) {
    m_job.State = StateError;
    Busy = false;
    m_stores.lists.SetStateIcon(JobItem, StateError);
    Finish();
    report(1, JobReport::RequestError, QString::number(status));
}

void clsDownLoadJob::restartChanged() {
    if (++m_restarts > kMaxRestarts) {
        fail(QStringLiteral("The file keeps changing on the server; download it again later."));
        return;
    }
    if (!report(1, JobReport::Restart, QStringLiteral("File changed on server, restart"))) return;
    m_file.close();
    m_job.FileOpen = kFalse;
    m_job.IsNew = kTrue;
    m_job.TotalSize = 0;
    RangeBook::ClearRanges(m_job);
    m_reusePath = true;
    Start();
}

// ---- answers ---------------------------------------------------------------

void clsDownLoadJob::firstAnswer(int k, const char *body, qint64 size) {
    if (m_parts->refilling(k))
        refillFirstBlock(k, body, size);
    else if (k == 1)
        firstBlockPart1(body, size);
    else if (k == 2)
        rangeTest(body, size);
    else
        laterPartFirstBlock(k, body, size);
}

void clsDownLoadJob::firstBlockPart1(const char *body, qint64 size) {
    const QString &status = m_parts->answerStatus(1);
    if (status == QLatin1String("30")) {
        redirect();
        return;
    }
    m_redirects = 0;
    m_parts->setAnswered();
    if (m_job.IsNew) {
        newJobFirstBlock(body, size, m_reusePath);
        return;
    }
    if (m_job.TotalSize > 0 && m_job.part(1).Pos >= m_job.TotalSize &&
        HttpExchange::IsRangeNotSatisfiable(m_parts->answerHeader(1))) {
        // Part 1 already has everything up to the end of the file.
        m_parts->closePart(1);
        if (!m_file.isOpen() && !openSavedFile()) return;
        if (m_job.Parts >= 2 && !startRangeTest()) return;
        if (!report(1, JobReport::Close, QStringLiteral("ByServer"))) return;
        m_parts->scheduleRefill();
        return;
    }
    if (m_job.part(1).Pos > 0 && status != QLatin1String("206")) {
        // The answer is the whole file, not the rest of it: begin again.
        if (!report(1, JobReport::Restart, QStringLiteral("File changed on server, restart")))
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
    const QString &header = m_parts->answerHeader(1);
    // A coded or chunked answer tells no size: it is read by one connection
    // to its end.
    const bool sizeKnown = m_parts->answerSized(1);
    const qint64 total =
        sizeKnown ? HttpExchange::LeadingNumber(HttpExchange::GetContentLength(header)) : 0;
    if (total > kUnknownEnd) {
        fail(QStringLiteral("The file is too large: %1 bytes (at most 2147483647 bytes can be "
                            "downloaded).")
                 .arg(total));
        return;
    }
    m_job.TotalSize = sizeKnown ? qint32(total) : 0;
    m_job.part(1).EndPos = sizeKnown ? qint32(total) : kUnknownEnd;
    if (!reusePath && !takeServerFileName(header)) return;
    if (!CreateFileForSave(reusePath)) return;
    m_resume.takeFrom(header);
    m_resume.store(m_stores.dbPath, m_job.SavePath);
    if (!writeBody(1, body, size)) return;
    if (!report(1, JobReport::DataArrival, QString::number(size))) return;
    if (sizeKnown && m_job.TotalSize > kSplitThreshold && m_job.Parts >= 2 && !startRangeTest())
        return;
    afterBlock(1);
}

void clsDownLoadJob::resumedFirstBlock(const char *body, qint64 size) {
    if (!m_file.isOpen() && !openSavedFile()) return;
    if (!writeBody(1, body, size)) return;
    if (!report(1, JobReport::DataArrival, QString::number(size))) return;
    if (m_job.Parts >= 2 && m_job.TotalSize > 0 && !startRangeTest()) return;
    afterBlock(1);
}

bool clsDownLoadJob::startRangeTest() {
    const quint32 part1 = m_parts->partGeneration(1);
    const quint32 run = m_parts->run();
    CreateSocks2();
    if (run != m_parts->run()) return false;
    letEventsRun();
    return run == m_parts->run() && m_parts->partGeneration(1) == part1;
}

void clsDownLoadJob::rangeTest(const char *body, qint64 size) {
    if (m_parts->answerStatus(2) != QLatin1String("206")) {
        m_job.part(1).EndPos = m_job.TotalSize;
        m_job.CanResume = kFalse;
        m_parts->closePart(2);
        for (int k = 3; k <= kMaxParts; ++k)
            m_parts->dropWarm(k);
        if (!report(2, JobReport::ReSumeTestError, m_job.Url)) return;
    } else {
        m_job.part(1).EndPos = RangeBook::Part1EndAfterRangeTest(m_job);
        m_job.CanResume = kTrue;
        if (!writeBody(2, body, size)) return;
        if (!report(2, JobReport::DataArrival, QString::number(size))) return;
        if (m_job.Parts >= 3) {
            const quint32 run = m_parts->run();
            CreateSocks3_5();
            if (run != m_parts->run()) return;
        }
    }
    afterBlock(2);
}

void clsDownLoadJob::laterPartFirstBlock(int k, const char *body, qint64 size) {
    if (m_parts->answerStatus(k) == QLatin1String("206")) {
        writeBlock(k, body, size);
        return;
    }
    // Not range data: nothing of it may reach the file. The nearest running
    // part below takes the range over; without one it is fetched again once
    // the other connections are done.
    m_parts->closePart(k);
    if (m_parts->takeOver(k) < 0) return;
    afterBlock(k);
    m_parts->scheduleRefill();
}

void clsDownLoadJob::refillFirstBlock(int k, const char *body, qint64 size) {
    const QString &status = m_parts->answerStatus(k);
    const bool usable = m_job.part(k).Pos > 0
                            ? status == QLatin1String("206")
                            : (status == QLatin1String("200") || status == QLatin1String("206"));
    if (!usable) {
        m_parts->closePart(k);
        m_parts->scheduleRefill();
        return;
    }
    if (!m_file.isOpen() && !openSavedFile()) return;
    writeBlock(k, body, size);
}

void clsDownLoadJob::redirect() {
    m_parts->closePart(1);
    const QString location = HttpExchange::ResolveLocation(
        m_job.Url, HttpExchange::GetLocation(m_parts->answerHeader(1)));
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
    if (!report(1, JobReport::Redirect, m_job.Url)) return;
    SaveDownState();
    const int redirects = m_redirects;
    Create(JobIndex);
    m_redirects = redirects;
    Start();
}

// ---- blocks ----------------------------------------------------------------

void clsDownLoadJob::writeBlock(int k, const char *data, qint64 size) {
    if (!writeBody(k, data, size)) return;
    if (!report(k, JobReport::DataArrival, QString::number(size))) return;
    afterBlock(k);
}

void clsDownLoadJob::writePiped(int k, BodyPipe *pipe, qint64 size) {
    PartRange &range = m_job.part(k);
    QString error;
    if (!m_file.writeFromPipe(*pipe, range.Pos, &error)) {
        fail(QStringLiteral("Cannot write the file %1: %2").arg(m_job.SavePath, error));
        return;
    }
    range.Pos += qint32(size);
    m_parts->dataArrived(k);
    if (!report(k, JobReport::DataArrival, QString::number(size))) return;
    afterBlock(k);
}

void clsDownLoadJob::afterBlock(int j) {
    if (const int k = RangeBook::OvertakenPart(m_job, j)) {
        if (!CancelSock(j, k)) return;
    }
    const PartRange &range = m_job.part(j);
    if (range.Pos > range.EndPos && m_parts->isPartOpen(j)) {
        m_parts->closePart(j);
        if (!report(j, JobReport::Close, QStringLiteral("MeComplete"))) return;
        m_parts->scheduleRefill();
    }
}

bool clsDownLoadJob::CancelSock(int caller, int k) {
    m_parts->closePart(k);
    PartRange &range = m_job.part(k);
    // Part 1 has passed this part's position: it now owns the rest of it.
    if (m_job.TotalSize > 0 && m_job.part(1).EndPos < range.EndPos)
        m_job.part(1).EndPos = range.EndPos;
    range = PartRange{};
    return report(k, JobReport::Cancel, QString::number(caller));
}

void clsDownLoadJob::CreateSocks2() {
    if (m_job.IsNew) RangeBook::SplitRanges(m_job, m_job.TotalSize);
    const quint32 run = m_parts->run();
    m_parts->openPart(2, false);
    if (run == m_parts->run()) m_parts->warmUp();
}

void clsDownLoadJob::CreateSocks3_5() {
    const quint32 run = m_parts->run();
    for (int k = 3; k <= m_job.Parts && k <= kMaxParts; ++k) {
        if (!m_job.IsNew && !RangeBook::InUse(m_job, k)) continue; // cancelled earlier
        m_parts->openPart(k, false);
        if (run != m_parts->run()) return;
    }
}

// ---- the file --------------------------------------------------------------

// A file named after its URL takes the name the server gives, if any.
bool clsDownLoadJob::takeServerFileName(const QString &header) {
    if (!ServerFileName::NamedAfterUrl(m_job)) return true;
    const QString name = ServerFileName::FromContentDisposition(
        HttpExchange::FieldValue(header, QStringLiteral("Content-Disposition:")));
    const QString path = m_job.SavePath.trimmed();
    const bool folderOnly = path.isEmpty() || path.endsWith(QLatin1Char('/'));
    const QString folder = folderOnly ? path : path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.isEmpty() || folder + name == path) return true;
    m_job.FileName = name;
    m_job.SavePath = folder + name;
    return report(1, JobReport::ServerFileName, name);
}

bool clsDownLoadJob::CreateFileForSave(bool reusePath) {
    bool renamed = false;
    const QString path = JobFile::NewPath(m_job, m_stores.settings, reusePath, &renamed);
    if (renamed && !report(1, JobReport::Autorename, path)) return false;
    m_job.SavePath = path;
    const bool sized = m_job.part(1).EndPos != kUnknownEnd;
    const quint32 run = m_parts->run();
    QString error;
    const bool ok = m_file.create(
        path, sized ? m_job.TotalSize : -1,
        [this](qint64 done, qint64 total) { emit FileCreation(done, total); }, &error);
    if (run != m_parts->run()) return false;
    if (!ok) {
        fail(error);
        return false;
    }
    m_job.FileOpen = kTrue;
    m_job.FileNumber = m_file.handle();
    return true;
}

bool clsDownLoadJob::openSavedFile() {
    QString error;
    if (!m_file.reopen(m_job.SavePath, &error)) {
        fail(error);
        return false;
    }
    m_job.FileOpen = kTrue;
    m_job.FileNumber = m_file.handle();
    return true;
}

bool clsDownLoadJob::writeBody(int k, const char *data, qint64 size) {
    if (size <= 0) return true;
    PartRange &range = m_job.part(k);
    if (qint64(range.Pos) + size > kUnknownEnd) {
        fail(QStringLiteral("The file is too large: more than 2147483647 bytes."));
        return false;
    }
    if (!m_file.writeAt(range.Pos, data, size)) {
        fail(QStringLiteral("Cannot write the file %1: %2").arg(m_job.SavePath, m_file.error()));
        return false;
    }
    range.Pos += qint32(size);
    m_parts->dataArrived(k);
    return true;
}
