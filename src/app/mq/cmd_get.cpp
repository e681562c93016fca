// mq get URL: runs one download job headless through the engine core.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqOutput.h"
#include "app/mq/NetArgs.h"
#include "app/mq/SignalWatch.h"
#include "base/OleDate.h"
#include "engine/DownloadEvents.h"
#include "engine/HttpExchange.h"
#include "engine/JobDbAutoSave.h"
#include "engine/JobLog.h"
#include "engine/clsDownLoadJob.h"
#include "movies/MovieCheck.h"
#include "movies/MovieLibrary.h"
#include "movies/MovieRefetch.h"
#include "session/AppCore.h"
#include "session/DownloadSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

struct GetOptions {
    QString url, dir, name, referer, userAgent, proxy, ini, db;
    int parts = 0;
    int job = 0; // --job: a job of the database, fetched again
    NetArgs net;
    bool events = false, log = false;
};

QString sizeText(double bytes) {
    return QString::number(bytes / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MiB");
}

int parseArgs(const QStringList &args, GetOptions &o) {
    ArgCursor cursor(args);
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        bool ok = true;
        int status = 0;
        if (o.net.take(a, cursor, "get", &status)) {
            if (status) return status;
            continue;
        }
        if (a == QLatin1String("--parts")) {
            QString v;
            ok = cursor.value(v);
            o.parts = v.toInt(&ok);
            if (ok && (o.parts < 1 || o.parts > 10))
                return mqFail(QStringLiteral("get: --parts takes a number from 1 to 10"));
        } else if (a == QLatin1String("--dir")) {
            ok = cursor.value(o.dir);
        } else if (a == QLatin1String("--name")) {
            ok = cursor.value(o.name);
        } else if (a == QLatin1String("--referer")) {
            ok = cursor.value(o.referer);
        } else if (a == QLatin1String("--user-agent")) {
            ok = cursor.value(o.userAgent);
        } else if (a == QLatin1String("--proxy")) {
            ok = cursor.value(o.proxy);
            const int colon = int(o.proxy.lastIndexOf(QLatin1Char(':')));
            const int port = colon > 0 ? o.proxy.mid(colon + 1).toInt() : 0;
            if (ok && (port < 1 || port > 65535))
                return mqFail(QStringLiteral("get: --proxy takes HOST:PORT"));
        } else if (a == QLatin1String("--ini")) {
            ok = cursor.value(o.ini);
        } else if (a == QLatin1String("--db")) {
            ok = cursor.value(o.db);
        } else if (a == QLatin1String("--job")) {
            QString v;
            ok = cursor.value(v);
            o.job = v.toInt(&ok);
            if (ok && o.job < 1) return mqFail(QStringLiteral("get: --job takes a job number"));
        } else if (a == QLatin1String("--events")) {
            o.events = true;
        } else if (a == QLatin1String("--log")) {
            o.log = true;
        } else if (a.startsWith(QLatin1String("--")) || !o.url.isEmpty()) {
            return mqFail(QStringLiteral("get: unexpected argument '%1'").arg(a));
        } else {
            o.url = a;
        }
        if (!ok) return mqFail(QStringLiteral("get: %1 needs a value").arg(a));
    }
    if (o.job && o.db.isEmpty()) return mqFail(QStringLiteral("get: --job needs --db"));
    if (o.url.isEmpty() && !o.job) return mqFail(QStringLiteral("get: no URL given"));
    return 0;
}

// Whether a finished job's movie is damaged (checked now if need be).
bool damagedMovie(const DownJobRecord &rec) {
    return rec.State == StateComplete && MovieLibrary::isMovie(rec.SavePath) &&
           MovieCheck::complete(MovieCache(), rec.SavePath, false).damaged();
}

// The job to run: the job --job names, a job of the database with this URL
// that is not complete or whose movie is damaged (fetched again), or a new
// one appended to the table. 0 with a message when --job cannot be run.
int findOrAddJob(AppCore &core, const GetOptions &o) {
    if (o.job) {
        if (!core.DownJobs.isValid(o.job)) {
            mqFail(QStringLiteral("get: there is no job %1").arg(o.job));
            return 0;
        }
        DownJobRecord &rec = core.DownJobs[o.job];
        if (rec.State == StateComplete && !damagedMovie(rec)) {
            mqFail(QStringLiteral("get: job %1 is complete and whole").arg(o.job));
            return 0;
        }
        if (rec.State == StateComplete) {
            const QString error = prepareRefetch(rec);
            if (!error.isEmpty()) {
                mqFail(QStringLiteral("get: ") + error);
                return 0;
            }
        }
        return o.job;
    }
    for (int index = 1; index <= core.DownJobs.DownCount(); ++index) {
        DownJobRecord &rec = core.DownJobs[index];
        if (rec.Url != o.url || rec.CategoryKey == QLatin1String("Recely_Really")) continue;
        if (rec.State != StateComplete) return index;
        if (damagedMovie(rec) && prepareRefetch(rec).isEmpty()) return index;
    }
    DownJobRecord rec;
    rec.CategoryKey = QStringLiteral("Downloaded");
    rec.State = StateWaiting;
    rec.IsNew = kTrue;
    rec.Url = o.url;
    rec.Referer = o.referer;
    const qint16 parts = o.parts ? qint16(o.parts) : core.settings.Parts;
    rec.Parts = parts >= 1 && parts <= 10 ? parts : qint16(1);
    rec.UserAgent = !o.userAgent.isEmpty()               ? o.userAgent
                    : !core.settings.Useragent.isEmpty() ? core.settings.Useragent
                                                         : QStringLiteral("MoorQuill/1.3");
    if (!o.proxy.isEmpty()) {
        const int colon = int(o.proxy.lastIndexOf(QLatin1Char(':')));
        rec.UseProxy = kTrue;
        rec.ProxyHost = o.proxy.left(colon);
        rec.ProxyPort = qint16(quint16(o.proxy.mid(colon + 1).toInt()));
    }
    DownJobRecord probe = rec;
    const bool parsed = HttpExchange::ParseUrl(probe);
    rec.FileName = !o.name.isEmpty()                       ? o.name
                   : parsed && !probe.RemoteName.isEmpty() ? probe.RemoteName
                                                           : QStringLiteral("index.html");
    const QString dir = o.dir.isEmpty() ? QDir::currentPath() : QDir(o.dir).absolutePath();
    rec.SavePath = QDir(dir).filePath(rec.FileName);
    rec.CreateTime = OleDate::now();
    return core.DownJobs.add(rec);
}

int runGet(const QStringList &args) {
    GetOptions o;
    if (const int status = parseArgs(args, o)) return status;

    // The job database (its validators beside it) and the settings of the run.
    AppCore core;
    if (!o.db.isEmpty()) core.paths.JobDbPath = QFileInfo(o.db).absoluteFilePath();
    core.paths.SettingsPath = o.ini;
    DownloadSession session(core);
    if (!o.ini.isEmpty()) session.loadSettings();
    if (o.net.limit >= 0) core.settings.SpeedLimit = o.net.limit;
    core.settings.Maxjobs = 1; // this job only
    const DbLoadResult loaded = session.loadDatabase(DownloadSession::Missing::FixedNodes);
    if (loaded.damaged) mqFail(QStringLiteral("get: %1: %2").arg(o.db, loaded.error), 0);
    const int index = findOrAddJob(core, o);
    if (index == 0) return 1;
    core.DownJobs[index].State = StateWaiting;

    JobLog &log = session.log();
    DownloadEvents &events = session.events();
    clsDownLoadJob *job = events.clsDownJob(1);
    QObject::connect(&session.autoSave(), &JobDbAutoSave::Saved, &events, [&](bool ok) {
        if (!ok)
            mqFail(QStringLiteral("get: cannot save %1: %2").arg(o.db, session.lastSaveError()), 0);
    });

    if (o.events)
        QObject::connect(&events, &DownloadEvents::ReportReceived, &events,
                         [](int, qint16 part, JobReport type, const QString &text) {
                             printLine("{\"part\":" + QByteArray::number(part) +
                                       ",\"type\":" + jsonString(reportName(type)) +
                                       ",\"text\":" + jsonString(text) + "}");
                         });
    if (o.log)
        QObject::connect(&log, &JobLog::Added, &events,
                         [&log](int number) { printLine(logLineJson(log.entry(number))); });

    const bool bar = ::isatty(STDERR_FILENO);
    QElapsedTimer sinceStart, sinceDraw;
    sinceStart.start();
    sinceDraw.start();
    if (bar)
        QObject::connect(
            job, &clsDownLoadJob::UpDataState, &events,
            [&](qint16, JobReport type, const QString &) {
                if (type != JobReport::DataArrival || sinceDraw.elapsed() < 200) return;
                sinceDraw.restart();
                const DownJobRecord &rec = job->Record();
                const double done = rec.Received, total = rec.TotalSize;
                const int width = 30;
                const int filled = total > 0 ? int(width * done / total) : 0;
                const double speed = done / qMax<qint64>(1, sinceStart.elapsed()) * 1000.0;
                const QString line =
                    QStringLiteral("\r[%1%2] %3 / %4  %5/s ")
                        .arg(QString(filled, QLatin1Char('#')),
                             QString(width - filled, QLatin1Char(' ')), sizeText(done),
                             total > 0 ? sizeText(total) : QStringLiteral("?"), sizeText(speed));
                std::fputs(line.toLocal8Bit().constData(), stderr);
            });

    QEventLoop loop;
    int result = -1;
    QObject::connect(
        &events, &DownloadEvents::JobFinished, &loop, [&](int finishedIndex, int state) {
            if (finishedIndex != index) return;
            result = state == StateComplete ? 0 : 2;
            const DownJobRecord &rec = core.DownJobs[index];
            if (result == 0 && MovieLibrary::isMovie(rec.SavePath)) {
                // The download is complete either way; a damaged movie says
                // so in the log and on stderr.
                const MovieEntry movie = MovieCheck::complete(MovieCache(), rec.SavePath, true);
                if (movie.damaged()) {
                    const QString line = MovieLibrary::damageLine(movie.facts.problem);
                    log.Add(line, 8, 1);
                    mqFail(QStringLiteral("get: %1: %2").arg(rec.SavePath, line), 0);
                }
            }
            loop.exit(result);
        });

    // SIGINT/SIGTERM: pause, save, exit 3.
    SignalWatch watch([&] {
        if (result >= 0) return;
        job->Pause();
        session.save();
        result = 3;
        loop.exit(3);
    });
    if (!watch.ok()) return mqFail(QStringLiteral("get: cannot create a pipe"));

    core.lists.AddJobToList(index); // starts it in slot 1
    const int status = result >= 0 ? result : loop.exec();
    if (bar) std::fputs("\n", stderr);
    const DownJobRecord &rec = core.DownJobs[index];
    if (status == 2)
        mqFail(QStringLiteral("get: the job ended with an error: %1")
                   .arg(log.JobLogCount() ? log.entry(log.JobLogCount()).text : QString()),
               0);

    else if (status == 0 && !o.events && !o.log)
        std::fprintf(stderr, "%s\n", qPrintable(rec.SavePath));
    return status;
}

} // namespace

MQ_COMMAND("get",
           "get URL|--job N [--parts N] [--dir FOLDER] [--name FILENAME] [--referer URL] "
           "[--user-agent TEXT] [--proxy HOST:PORT] [--ini FILE] [--ca-file FILE] [--limit KIB] "
           "[--db FILE] [--events] [--log]",
           runGet);
