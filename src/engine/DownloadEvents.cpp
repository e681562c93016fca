#include "engine/DownloadEvents.h"

#include "base/OleDate.h"
#include "core/Settings.h"
#include "engine/JobLog.h"
#include "engine/RangeBook.h"
#include "engine/RateLimiter.h"
#include "engine/clsDownLoadJob.h"
#include "jobs/JobTable.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace {
enum class Moved { Yes, TargetIsFile, Failed };

// Gives a complete file its final name. An existing file there is never
// replaced (the file keeps its temporary name); any other failure is an
// error with the system's reason.
Moved moveToFinalName(const QString &from, const QString &to, QString *reason) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    int rc =
        ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) { // not offered by the file system
        if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
            errno = EEXIST;
        else
            rc = std::rename(source.constData(), target.constData());
    }
    if (rc == 0) return Moved::Yes;
    int error = errno;
    if (error == EEXIST) {
        if (!QFileInfo(to).isDir()) return Moved::TargetIsFile;
        error = EISDIR;
    }
    *reason = QString::fromLocal8Bit(std::strerror(error));
    return Moved::Failed;
}
} // namespace

DownloadEvents::DownloadEvents(EngineStores stores, JobLog &log, QObject *parent)
    : QObject(parent), m_stores(stores), m_log(log),
      m_limiter(new RateLimiter(&stores.settings.SpeedLimit, this)) {
    for (int slot = 1; slot <= kSlots; ++slot) {
        auto *job = new clsDownLoadJob(stores, this);
        job->setRateLimiter(m_limiter);
        job->setObjectName(QStringLiteral("clsDownJob%1").arg(slot));
        m_slots[slot].job = job;
        connect(job, &clsDownLoadJob::UpDataState, this,
                [this, slot](qint16 part, JobReport type, const QString &text) {
                    UpdateDownloadState(slot, part, type, text);
                });
        connect(job, &clsDownLoadJob::FileCreation, this, [this, slot](qint64 done, qint64 total) {
            emit FileCreationProgress(slot, done, total);
        });
    }
}

DownloadEvents::~DownloadEvents() = default;

QString DownloadEvents::PercentText(qint64 received, qint64 total) {
    const qint64 scaled = received * 100;
    qint64 q = scaled / total;
    const qint64 twice = 2 * (scaled % total);
    if (twice > total || (twice == total && (q & 1))) ++q;
    return QString::number(q) + QLatin1Char('%');
}

int DownloadEvents::rowOfSlot(int slot) {
    const ListRowModel &list = m_stores.lists.lvNowDown;
    Slot &s = m_slots[slot];
    int &r = s.rowCache;
    if (r >= 0 && r < list.count() && list.row(r).key == s.rowKey) return r;
    r = list.rowOfKey(s.rowKey);
    return r;
}

void DownloadEvents::addLog(int slot, const QString &text, quint8 icon, int part) {
    m_log.AddJobLog(m_stores.lists.lvNowDown, m_slots[slot].rowKey, text, icon, quint8(part));
}

void DownloadEvents::addLines(int slot, const QString &text, quint8 icon, int part) {
    QStringView rest(text);
    while (rest.size() >= 4) {
        const qsizetype end = rest.indexOf(QLatin1String("\r\n"));
        if (end < 0) {
            addLog(slot, rest.toString(), icon, part);
            break;
        }
        addLog(slot, rest.left(end).toString(), icon, part);
        rest = rest.mid(end + 2);
    }
}

void DownloadEvents::UpdateDownloadState(int slot, qint16 part, JobReport type,
                                         const QString &text) {
    if (slot < 1 || slot > kSlots) return;
    struct Depth {
        int &n;
        explicit Depth(int &depth) : n(++depth) {}
        ~Depth() { --n; }
    } depth(m_reportDepth);
    emit ReportReceived(slot, part, type, text);
    clsDownLoadJob *job = m_slots[slot].job;
    job->CalcHaveDown();
    job->SaveDownState();
    const DownJobRecord &rec = job->Record();

    const int row = rowOfSlot(slot);
    if (row >= 0) {
        ListRowModel &list = m_stores.lists.lvNowDown;
        list.setSubItem(row, 2, QString::number(rec.TotalSize));
        list.setSubItem(row, 3, QString::number(rec.Received));
        if (rec.TotalSize >= 1) list.setSubItem(row, 4, PercentText(rec.Received, rec.TotalSize));
    }

    switch (type) {
    case JobReport::DataArrival: // the common case: no log line
        emit PartsRedraw(slot);
        return;
    case JobReport::Connecting:
        addLog(slot, QStringLiteral("Connecting:") + text, 1, part);
        if (part == 1) emit PartsTreeRebuild(slot);
        break;
    case JobReport::Connected:
        addLog(slot, QStringLiteral("Connected:") + text, 2, part);
        break;
    case JobReport::Request:
        addLog(slot, QStringLiteral("Send Request."), 100, part);
        addLines(slot, text, 3, part);
        addLog(slot, QStringLiteral("Waiting For Server Response..."), 100, part);
        break;
    case JobReport::Response:
        addLog(slot, QStringLiteral("Reveive the Server Response.."), 100, part);
        addLines(slot, text, 4, part);
        addLog(slot, QStringLiteral("Start Receiving Date..."), 100, part);
        break;
    case JobReport::Close:
        addLog(slot, QStringLiteral("This Part Receiving Data Complete."), 7, part);
        addLog(slot,
               text == QLatin1String("MeComplete")
                   ? QStringLiteral("Close the Connection.")
                   : QStringLiteral("The Connection Close by Server."),
               7, part);
        if (completionTest(slot)) return; // complete: its details are gone
        break;
    case JobReport::Autorename:
        addLog(slot, QStringLiteral("File Exits , Auto Rename:") + text, 100, part);
        break;
    case JobReport::ServerFileName:
        if (row >= 0) m_stores.lists.lvNowDown.setSubItem(row, 1, text);
        addLog(slot, QStringLiteral("File name given by the server: ") + text, 100, part);
        break;
    case JobReport::Cancel:
        addLog(slot,
               QStringLiteral("This Part ") + QString::number(part) +
                   QStringLiteral(" Cancel By Part ") + text,
               8, part);
        break;
    case JobReport::Redirect:
        addLog(slot, QStringLiteral("Redirect link to other site:") + text, 8, part);
        break;
    case JobReport::RequestError:
        addLog(slot, QStringLiteral("Request Url Error! ") + text, 8, part);
        emit LogListRebuild(slot, part);
        ended(slot, StateError);
        return;
    case JobReport::JobError:
        addLog(slot, text, 8, part);
        emit LogListRebuild(slot, part);
        ended(slot, StateError);
        return;
    case JobReport::Restart:
    case JobReport::Retry:
        addLog(slot, text, 100, part);
        break;
    case JobReport::TimeOut:
        addLog(slot, text, 8, part);
        break;
    case JobReport::Error:
    case JobReport::ReSumeTestError:
        break; // not logged
    }
    emit LogListRebuild(slot, part);
}

bool DownloadEvents::completionTest(int slot) {
    const DownJobRecord &rec = m_slots[slot].job->Record();
    if (rec.TotalSize != rec.Received || rec.State == StateComplete ||
        !RangeBook::CoversWholeFile(rec))
        return false;
    complete(slot);
    return true;
}

void DownloadEvents::complete(int slot) {
    clsDownLoadJob *job = m_slots[slot].job;
    const int index = m_slots[slot].jobIndex;
    job->Finish(); // the file and any connection still open
    DownJobRecord &rec = job->Record();
    if (m_stores.settings.UseMQ == 1 && rec.SavePath.endsWith(QLatin1String("!mq"))) {
        const QString finalPath = rec.SavePath.chopped(3);
        QString reason;
        const Moved moved = moveToFinalName(rec.SavePath, finalPath, &reason);
        if (moved == Moved::Yes) rec.SavePath = finalPath;
        if (moved == Moved::Failed) {
            // The job keeps its parts: started again it only renames.
            rec.State = StateError;
            rec.IsNew = kFalse;
            job->SaveDownState();
            m_stores.lists.SetStateIcon(m_slots[slot].rowKey, StateError);
            addLog(slot,
                   QStringLiteral("Cannot rename the file %1 to %2: %3")
                       .arg(rec.SavePath, finalPath, reason),
                   8, 1);
            ended(slot, StateError);
            return;
        }
    }
    const double now = OleDate::now();
    rec.State = StateComplete;
    rec.CompleteTime = now;
    rec.ElapsedTime = now - rec.StartTime;
    rec.TotalTime += rec.ElapsedTime;
    const double seconds = std::floor(rec.TotalTime * 86400.0 + 1e-6);
    if (seconds > 0) rec.AverageSpeed = float(rec.TotalSize / seconds);
    job->SaveDownState();
    m_stores.lists.lvNowDown.removeRowByKey(RowKey(index));
    emit RowRemoved(index);
    if (m_stores.settings.PopMessage == 1)
        emit JobMessage(QStringLiteral("Job complete.") + rec.Url);
    job->Busy = false;
    emit JobFinished(index, StateComplete);
    if (!StartNextWaitingJob()) emit StatusBarRefresh();
}

void DownloadEvents::ended(int slot, int state) {
    m_slots[slot].job->Busy = false;
    emit JobFinished(m_slots[slot].jobIndex, state);
    if (!StartNextWaitingJob()) emit StatusBarRefresh();
}

int DownloadEvents::BusySlots() const {
    int busy = 0;
    for (int slot = 1; slot <= kSlots; ++slot)
        busy += m_slots[slot].job->Busy;
    return busy;
}

clsDownLoadJob *DownloadEvents::FindOneCls() {
    FoundSlot = 0;
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (slot <= m_stores.settings.Maxjobs && !m_slots[slot].job->Busy) {
            FoundSlot = slot;
            return m_slots[slot].job;
        }
    }
    return nullptr;
}

clsDownLoadJob *DownloadEvents::FindSelectCls(int index) const {
    const int slot = SlotOfJob(index);
    return slot ? m_slots[slot].job : nullptr;
}

int DownloadEvents::FindSelectClsId(int index) const {
    for (int slot = 1; slot <= kSlots; ++slot)
        if (m_slots[slot].jobIndex == index) return slot;
    return 0;
}

int DownloadEvents::SlotOfJob(int index) const {
    for (int slot = 1; slot <= kSlots; ++slot)
        if (index != 0 && m_slots[slot].jobIndex == index && m_slots[slot].job->Busy) return slot;
    return 0;
}

void DownloadEvents::SaveCls() {
    for (int slot = 1; slot <= kSlots; ++slot)
        if (m_slots[slot].job->Busy) m_slots[slot].job->Pause();
}

void DownloadEvents::StartJobInSlot(int slot, int index) {
    if (slot < 1 || slot > kSlots || !m_stores.jobs.isValid(index)) return;
    Slot &s = m_slots[slot];
    clsDownLoadJob *job = s.job;
    s.jobIndex = index;
    s.rowKey = RowKey(index);
    s.startReceived = m_stores.jobs[index].Received;
    s.startClock.start();
    job->JobItem = s.rowKey;
    job->Busy = true;
    emit SlotStarted(slot, index);
    job->Create(index);
    job->ReadDownState();
    const quint32 ticket = ++s.startTicket;
    if (m_reportDepth == 0) {
        job->Start();
        return;
    }
    // Inside a report the ended job's socket is still emitting further up the
    // stack, and Start lets events run (deferred deletes among them): the
    // connection opens once control is back in the event loop.
    QTimer::singleShot(0, job, [this, slot, job, ticket] {
        if (m_slots[slot].startTicket == ticket && job->Busy) job->Start();
    });
}

bool DownloadEvents::StartRule(int index) {
    if (!m_stores.jobs.isValid(index) || m_stores.jobs[index].State != StateWaiting) return false;
    if (!FindOneCls()) return false;
    StartJobInSlot(FoundSlot, index);
    return true;
}

bool DownloadEvents::StartNextWaitingJob() {
    for (int index = 1; index <= m_stores.jobs.DownCount(); ++index) {
        // Only listed jobs run (their row carries the state icon and the log).
        if (m_stores.jobs[index].State != StateWaiting ||
            m_stores.lists.lvNowDown.rowOfKey(RowKey(index)) < 0)
            continue;
        if (!FindOneCls()) return false;
        StartJobInSlot(FoundSlot, index);
        return true;
    }
    return false;
}

double DownloadEvents::LiveSpeed(int index) const {
    const int slot = SlotOfJob(index);
    if (slot == 0) return -1;
    const Slot &s = m_slots[slot];
    const qint64 ms = s.startClock.elapsed();
    const qint64 bytes = s.job->Record().Received - s.startReceived;
    return ms > 0 ? double(qMax<qint64>(0, bytes)) * 1000.0 / double(ms) : 0.0;
}

void DownloadEvents::LoadAsPaused(JobTable &jobs) {
    for (int index = 1; index <= jobs.DownCount(); ++index) {
        DownJobRecord &rec = jobs[index];
        if (rec.State != StateRunning && rec.FileOpen == 0) continue;
        if (rec.State == StateRunning) rec.State = StatePaused;
        rec.FileOpen = kFalse;
        rec.FileNumber = 0;
        if (rec.TotalSize > 0 || rec.part(1).Pos > 0) rec.IsNew = kFalse;
    }
}
