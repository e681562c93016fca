// mq run --db FILE: the main window's start-up and download list without a
// window: every job not complete is listed, "Start Download All" runs, and
// the command ends when no job runs or waits.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqOutput.h"
#include "app/mq/NetArgs.h"
#include "app/mq/SignalWatch.h"
#include "engine/DownloadEvents.h"
#include "engine/JobCommands.h"
#include "engine/JobDbAutoSave.h"
#include "engine/JobLog.h"
#include "session/AppCore.h"
#include "session/DownloadSession.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace {

struct RunOptions {
    QString db, ini;
    NetArgs net;
    bool events = false, log = false;
    double saveEvery = JobDbAutoSave::kDefaultIntervalMs / 1000.0;
};

int parseArgs(const QStringList &args, RunOptions &o) {
    ArgCursor cursor(args);
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        bool ok = true;
        int status = 0;
        if (o.net.take(a, cursor, "run", &status)) {
            if (status) return status;
            continue;
        }
        if (a == QLatin1String("--db")) {
            ok = cursor.value(o.db);
        } else if (a == QLatin1String("--ini")) {
            ok = cursor.value(o.ini);
        } else if (a == QLatin1String("--save-every")) {
            QString v;
            ok = cursor.value(v);
            o.saveEvery = v.toDouble(&ok);
            if (ok && !(o.saveEvery >= 0.01 && o.saveEvery <= 86400))
                return mqFail(QStringLiteral("run: --save-every takes seconds from 0.01 to 86400"));
        } else if (a == QLatin1String("--events")) {
            o.events = true;
        } else if (a == QLatin1String("--log")) {
            o.log = true;
        } else {
            return mqFail(QStringLiteral("run: unexpected argument '%1'").arg(a));
        }
        if (!ok) return mqFail(QStringLiteral("run: %1 needs a value").arg(a));
    }
    if (o.db.isEmpty()) return mqFail(QStringLiteral("run: --db FILE is needed"));
    if (!QFileInfo(o.db).isFile())
        return mqFail(QStringLiteral("run: %1: no such job database").arg(o.db));
    return 0;
}

QByteArray eventJson(int slot, int job, int part, const QString &type, const QString &text) {
    return "{\"slot\":" + QByteArray::number(slot) + ",\"job\":" + QByteArray::number(job) +
           ",\"part\":" + QByteArray::number(part) + ",\"type\":" + jsonString(type) +
           ",\"text\":" + jsonString(text) + "}";
}

int runRun(const QStringList &args) {
    RunOptions o;
    if (const int status = parseArgs(args, o)) return status;

    AppCore core;
    core.paths.JobDbPath = QFileInfo(o.db).absoluteFilePath();
    core.paths.SettingsPath =
        !o.ini.isEmpty() ? o.ini
                         : QFileInfo(o.db).absoluteDir().filePath(QStringLiteral("set.ini"));
    DownloadSession session(core);
    JobLog &log = session.log();
    DownloadEvents &events = session.events();
    JobCommands &commands = session.commands();
    JobDbAutoSave &autoSave = session.autoSave();

    // Start-up: the database, jobs listed while Maxjobs is still 0, settings.
    const DbLoadResult loaded = session.loadDatabase(DownloadSession::Missing::FixedNodes);
    if (loaded.damaged)
        mqFail(
            QStringLiteral("run: %1: %2 (continuing with what was read)").arg(o.db, loaded.error),
            0);
    session.listUnfinishedJobs();
    session.loadSettings();
    if (o.net.limit >= 0) core.settings.SpeedLimit = o.net.limit;
    // A Maxjobs outside 1..8 would leave every job waiting for ever.
    core.settings.Maxjobs = qint16(qBound(1, int(core.settings.Maxjobs), DownloadEvents::kSlots));

    autoSave.setInterval(int(o.saveEvery * 1000));
    QObject::connect(&autoSave, &JobDbAutoSave::Saved, &events, [&](bool ok) {
        if (!ok)
            mqFail(QStringLiteral("run: cannot save %1: %2").arg(o.db, session.lastSaveError()), 0);
    });

    if (o.events) {
        QObject::connect(&events, &DownloadEvents::ReportReceived, &events,
                         [&events](int slot, qint16 part, JobReport type, const QString &text) {
                             printLine(eventJson(slot, events.slot(slot).jobIndex, part,
                                                 reportName(type), text));
                         });
        QObject::connect(&events, &DownloadEvents::SlotStarted, &events,
                         [&core](int slot, int job) {
                             printLine(eventJson(slot, job, 0, QStringLiteral("SlotStart"),
                                                 core.DownJobs[job].Url));
                         });
        QObject::connect(&commands, &JobCommands::JobWaiting, &events, [](int job) {
            printLine(eventJson(0, job, 0, QStringLiteral("Waiting"), {}));
        });
        QObject::connect(
            &events, &DownloadEvents::JobFinished, &events, [&events](int job, int state) {
                printLine(eventJson(events.FindSelectClsId(job), job, 0,
                                    state == StateComplete ? QStringLiteral("JobComplete")
                                                           : QStringLiteral("JobError"),
                                    {}));
            });
        QObject::connect(&autoSave, &JobDbAutoSave::Saved, &events, [&core](bool ok) {
            printLine(eventJson(0, 0, 0,
                                ok ? QStringLiteral("Saved") : QStringLiteral("SaveFailed"),
                                core.paths.JobDbPath));
        });
    }
    if (o.log)
        QObject::connect(&log, &JobLog::Added, &events,
                         [&log](int number) { printLine(logLineJson(log.entry(number))); });

    QEventLoop loop;
    int result = -1;
    bool failed = false;
    QObject::connect(&events, &DownloadEvents::JobFinished, &events,
                     [&failed](int, int state) { failed |= state == StateError; });
    auto finishWhenIdle = [&] {
        if (result >= 0 || events.BusySlots() > 0) return;
        for (int r = 0; r < core.lvNowDown.count(); ++r) {
            const int job = ListRowModel::leadingNumber(core.lvNowDown.row(r).key);
            if (core.DownJobs.isValid(job) && core.DownJobs[job].State == StateWaiting) return;
        }
        session.save();
        result = failed ? 2 : 0;
        loop.exit(result);
    };
    // The next waiting job starts after JobFinished; look once that is done.
    QObject::connect(&events, &DownloadEvents::JobFinished, &loop,
                     [&] { QTimer::singleShot(0, &loop, finishWhenIdle); });

    // SIGINT/SIGTERM: the close sequence (pause all, write the database).
    SignalWatch watch([&] {
        if (result >= 0) return;
        commands.PauseAll();
        session.save();
        result = 3;
        loop.exit(3);
    });
    if (!watch.ok()) return mqFail(QStringLiteral("run: cannot create a pipe"));

    commands.StartAll();
    QTimer::singleShot(0, &loop, finishWhenIdle);
    return loop.exec();
}

} // namespace

MQ_COMMAND("run",
           "run --db FILE [--ini FILE] [--ca-file FILE] [--limit KIB] [--events] [--log] "
           "[--save-every SECONDS]",
           runRun);
