#pragma once

#include "common/FaultHttpServer.h"
#include "engine/DownloadEvents.h"
#include "engine/JobLog.h"
#include "engine/clsDownLoadJob.h"
#include "session/AppCore.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// An application core with the eight job slots, a download folder, a test
// server and the reports of every slot recorded, for the engine tests.
struct EngineRig {
    using Resource = FaultHttpServer::Resource;
    struct Report {
        int slot;
        int part;
        QString type;
        QString text;
    };

    FaultHttpServer server; // outlives the jobs
    QTemporaryDir dir;
    AppCore core;
    JobLog log;
    std::unique_ptr<DownloadEvents> events;
    QList<Report> reports;
    std::unique_ptr<QSignalSpy> finished;

    EngineRig() { restart(); }

    // A restart of the program: a new core around the same folder and job table.
    void restart() {
        reports.clear();
        events = std::make_unique<DownloadEvents>(core.engine(), log);
        core.settings.Maxjobs = 1;
        for (int slot = 1; slot <= DownloadEvents::kSlots; ++slot)
            QObject::connect(events->clsDownJob(slot), &clsDownLoadJob::UpDataState, events.get(),
                             [this, slot](qint16 part, JobReport type, const QString &text) {
                                 reports.append({slot, part, reportName(type), text});
                             });
        finished = std::make_unique<QSignalSpy>(events.get(), &DownloadEvents::JobFinished);
    }

    DownJobRecord record(const QString &url, int parts, const QString &name, int state) {
        DownJobRecord rec;
        rec.CategoryKey = QStringLiteral("Downloaded");
        rec.State = state;
        rec.IsNew = kTrue;
        rec.Parts = qint16(parts);
        rec.Url = url;
        rec.UserAgent = QStringLiteral("MQTest");
        rec.FileName = name;
        rec.SavePath = dir.filePath(name);
        return rec;
    }
    int addJob(const QString &url, int parts, const QString &name = QStringLiteral("f.swf")) {
        const int index = core.DownJobs.add(record(url, parts, name, StateWaiting));
        core.lists.AddJobToList(index);
        return index;
    }

    QString url(const QString &path) const { return server.url(path); }
    // Sends the job's requests to the proxy at 127.0.0.1:`port`.
    void useProxy(int index, quint16 port) {
        job(index).UseProxy = kTrue;
        job(index).ProxyHost = QStringLiteral("127.0.0.1");
        job(index).ProxyPort = qint16(port);
    }

    void start(int index, int slot = 1) { events->StartJobInSlot(slot, index); }
    // Waits until `count` jobs have ended; false on a time-out or more ends.
    bool waitFinished(int count = 1, int timeoutMs = 20000) {
        return QTest::qWaitFor([&] { return finished->count() >= count; }, timeoutMs) &&
               finished->count() == count;
    }
    // Adds a job, starts it and waits until it has ended (it may end inside
    // start() when a report handler lets events run).
    int run(const QString &url, int parts, const QString &name = QStringLiteral("f.swf")) {
        const int index = addJob(url, parts, name);
        const int ended = int(finished->count());
        start(index);
        if (!waitFinished(ended + 1)) qWarning("the job did not end in time");
        return index;
    }
    // Lets a running job receive more than `bytes`, then pauses it.
    bool pauseAfter(int index, qint64 bytes, int slot = 1) {
        if (!QTest::qWaitFor([&] { return job(index).Received > bytes; }, 20000)) return false;
        events->clsDownJob(slot)->Pause();
        return job(index).State == StatePaused;
    }
    DownJobRecord &job(int index) { return core.DownJobs[index]; }

    QStringList types(int part = 0) const {
        QStringList list;
        for (const Report &r : reports)
            if ((part == 0 || r.part == part) && r.type != QLatin1String("DataArrival"))
                list << r.type;
        return list;
    }
    int count(const QString &type) const {
        int n = 0;
        for (const Report &r : reports)
            n += r.type == type;
        return n;
    }
    QStringList logTexts() const {
        QStringList lines;
        for (int i = 1; i <= log.JobLogCount(); ++i)
            lines << log.entry(i).text;
        return lines;
    }

    // Empty when job `index` completed with `body` as its file; else why not.
    QString whyNotComplete(int index, const QByteArray &body) {
        if (job(index).State != StateComplete)
            return QStringLiteral("state %1: ").arg(job(index).State) + logTexts().join('|');
        const QByteArray file = fileBytes(job(index).SavePath);
        if (file == body) return {};
        return QStringLiteral("the file differs (%1 bytes, %2 sent)")
            .arg(file.size())
            .arg(body.size());
    }

    static QByteArray fileBytes(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QByteArray sha(const QByteArray &bytes) {
        return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    }
};

#define VERIFY_COMPLETE(rig, index, body)                                                          \
    do {                                                                                           \
        const QString why_ = (rig).whyNotComplete(index, body);                                    \
        QVERIFY2(why_.isEmpty(), qPrintable(why_));                                                \
    } while (false)
