// mq search URL: the main window's search slot without a window. The page
// search (and the searches of its links, to the depth given) runs until no
// search waits; the download jobs it made are listed, saved to --db and,
// with --download, run through the scheduler.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqOutput.h"
#include "app/mq/NetArgs.h"
#include "app/mq/SignalWatch.h"
#include "core/OptionsLogic.h"
#include "engine/DownloadEvents.h"
#include "engine/JobCommands.h"
#include "engine/JobDbAutoSave.h"
#include "engine/JobLog.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "search/NewSearch.h"
#include "search/SearchSlot.h"
#include "session/AppCore.h"
#include "session/DownloadSession.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace {

struct SearchOptions {
    QString url, dir, category, proxy, db, ini;
    int depth = 0;
    bool events = false, download = false;
};

int parseArgs(const QStringList &args, SearchOptions &o) {
    ArgCursor cursor(args);
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        bool ok = true;
        if (a == QLatin1String("--depth")) {
            QString v;
            ok = cursor.value(v);
            o.depth = v.toInt(&ok);
            if (ok && (o.depth < 0 || o.depth > 32767))
                return mqFail(QStringLiteral("search: --depth takes 0 to 32767"));
        } else if (a == QLatin1String("--dir")) {
            ok = cursor.value(o.dir);
        } else if (a == QLatin1String("--category")) {
            ok = cursor.value(o.category);
        } else if (a == QLatin1String("--proxy")) {
            ok = cursor.value(o.proxy);
        } else if (a == QLatin1String("--db")) {
            ok = cursor.value(o.db);
        } else if (a == QLatin1String("--ini")) {
            ok = cursor.value(o.ini);
        } else if (a == QLatin1String("--ca-file")) {
            if (const int status = takeCaFile(cursor, QStringLiteral("search"))) return status;
        } else if (a == QLatin1String("--events")) {
            o.events = true;
        } else if (a == QLatin1String("--download")) {
            o.download = true;
        } else if (a.startsWith(QLatin1String("--")) || !o.url.isEmpty()) {
            return mqFail(QStringLiteral("search: unexpected argument '%1'").arg(a));
        } else {
            o.url = a;
        }
        if (!ok) return mqFail(QStringLiteral("search: %1 needs a value").arg(a));
    }
    if (o.url.isEmpty()) return mqFail(QStringLiteral("search: a URL is needed"));
    return 0;
}

QByteArray reportJson(int search, const QString &type, const QString &info) {
    return "{\"search\":" + QByteArray::number(search) + ",\"type\":" + jsonString(type) +
           ",\"info\":" + jsonString(info) + "}";
}

// The tree and jobs: from --db (created when missing), else in memory.
bool prepareCore(AppCore &core, const SearchOptions &o) {
    const QString folder =
        o.dir.isEmpty() ? QDir::currentPath() : QFileInfo(o.dir).absoluteFilePath();
    core.paths.DownloadFolder =
        folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    if (o.db.isEmpty()) {
        JobDbIo memory;
        memory.save = [](const CategoryStore &, const JobTable &, const QString &, QString *) {
            return true;
        };
        BuildDefaultTree(core.tree, core.DownJobs, core.paths, memory);
    } else {
        core.paths.JobDbPath = QFileInfo(o.db).absoluteFilePath();
        if (!QFileInfo(o.db).isFile()) {
            if (!BuildDefaultTree(core.tree, core.DownJobs, core.paths))
                return mqFail(QStringLiteral("search: cannot create %1").arg(o.db)) == 0;
        } else {
            const DbLoadResult loaded = BuildFixedTree(core.tree, core.DownJobs, core.paths);
            if (loaded.damaged)
                mqFail(QStringLiteral("search: %1: %2 (continuing with what was read)")
                           .arg(o.db, loaded.error),
                       0);
        }
    }
    const QString ini = !o.ini.isEmpty() ? o.ini
                        : !o.db.isEmpty()
                            ? QFileInfo(o.db).absoluteDir().filePath(QStringLiteral("set.ini"))
                            : QString();
    if (!ini.isEmpty()) {
        core.paths.SettingsPath = ini;
        loadSettingsAtStartup(ini, core.settings);
    }
    return true;
}

int runSearch(const QStringList &args) {
    SearchOptions o;
    if (const int status = parseArgs(args, o)) return status;
    AppCore core;
    if (!prepareCore(core, o)) return 1;

    NewSearchValues v;
    v.url = o.url;
    v.depth = qint16(o.depth);
    const CategoryStore::Node *downloaded = core.tree.find(TreeKey::Downloaded);
    v.categoryKey = o.category;
    if (v.categoryKey.isEmpty() && downloaded && !downloaded->children.empty())
        v.categoryKey = downloaded->children.front()->key;
    const CategoryStore::Node *category = core.tree.find(v.categoryKey);
    if (!category) return mqFail(QStringLiteral("search: no category '%1'").arg(v.categoryKey));
    v.saveFolder = o.dir.isEmpty() ? category->tag : core.paths.DownloadFolder;
    v.parts = 5;
    v.userAgent = core.settings.Useragent;
    if (!o.proxy.isEmpty()) {
        const int colon = int(o.proxy.indexOf(QLatin1Char(':')));
        bool ok = colon > 0;
        const int port = ok ? o.proxy.mid(colon + 1).toInt(&ok) : 0;
        if (!ok || port < 1 || port > 65535)
            return mqFail(QStringLiteral("search: --proxy takes HOST:PORT"));
        v.useProxy = true;
        v.proxyHost = o.proxy.left(colon);
        v.proxyPort = quint16(port);
    }

    // The jobs the searches find wait until --download starts them.
    DownloadSession session(core);
    session.holdStarts(true);
    DownloadEvents &events = session.events();
    JobCommands &commands = session.commands();
    SearchSlot slot(core.search(), core.view, session.log());
    QList<int> made; // download jobs the searches listed
    const QMetaObject::Connection listed = QObject::connect(
        &session, &DownloadSession::JobListed, &slot, [&made](int job) { made.append(job); });
    int firstState = -1;
    QObject::connect(&slot, &SearchSlot::SearchEnded, &slot, [&](int index, int state) {
        if (firstState < 0) firstState = state;
        if (state == SearchError && !o.events && core.SearchJobs.isValid(index))
            mqFail(QStringLiteral("search: %1 ended with an error: %2")
                       .arg(core.SearchJobs[index].Url, slot.failure()),
                   0);
        if (o.events)
            printLine("{\"search\":" + QByteArray::number(index) +
                      ",\"type\":\"FenXiComplete\",\"state\":" + QByteArray::number(state) + "}");
    });
    if (o.events)
        QObject::connect(&slot, &SearchSlot::Reported, &slot,
                         [](int index, const QString &type, const QString &info) {
                             printLine(reportJson(index, type, info));
                         });

    QObject::connect(&session.autoSave(), &JobDbAutoSave::Saved, &slot, [&](bool ok) {
        if (!ok)
            mqFail(QStringLiteral("search: cannot save %1: %2").arg(o.db, session.lastSaveError()),
                   0);
    });
    auto save = [&session] { return session.save(); };

    QEventLoop loop;
    int result = -1;
    SignalWatch watch([&] {
        if (result >= 0) return;
        slot.PauseAllSearchJobs();
        commands.PauseAll();
        save();
        result = 3;
        loop.exit(3);
    });
    if (!watch.ok()) return mqFail(QStringLiteral("search: cannot create a pipe"));

    auto searchesDone = [&] {
        if (result >= 0 || slot.HasWork()) return;
        loop.exit(0);
    };
    QObject::connect(&slot, &SearchSlot::SearchEnded, &loop,
                     [&] { QTimer::singleShot(0, &loop, searchesDone); });
    if (AddNewSearch(core.SearchJobs, slot, v) == 0)
        return mqFail(QStringLiteral("search: no room"));
    QTimer::singleShot(0, &loop, searchesDone);
    loop.exec();
    if (result >= 0) return result;
    QObject::disconnect(listed);

    if (!save()) result = 1;
    if (o.download) {
        core.settings.Maxjobs =
            qint16(qBound(1, int(core.settings.Maxjobs), DownloadEvents::kSlots));
        session.holdStarts(false);
        auto downloadsDone = [&] {
            if (events.BusySlots() > 0) return;
            for (int job : made)
                if (core.DownJobs[job].State == StateWaiting) return;
            loop.exit(0);
        };
        QObject::connect(&events, &DownloadEvents::JobFinished, &loop,
                         [&] { QTimer::singleShot(0, &loop, downloadsDone); });
        commands.StartAll();
        QTimer::singleShot(0, &loop, downloadsDone);
        loop.exec();
        if (result >= 0) return result;
        if (!save()) result = 1;
    }
    if (!o.events)
        for (int job : made)
            printLine((core.DownJobs[job].Url + QLatin1Char('\t') + core.DownJobs[job].SavePath)
                          .toUtf8());
    if (result >= 0) return result;
    return firstState == SearchError ? 2 : 0;
}

} // namespace

MQ_COMMAND("search",
           "search URL [--depth D] [--dir FOLDER] [--category KEY] [--proxy HOST:PORT] [--db FILE] "
           "[--ini FILE] [--ca-file FILE] [--events] [--download]",
           runSearch);
