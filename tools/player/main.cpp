// The movie player's screenshot and benchmark helper (run under xvfb-run).
//   mq_player_tool db HOME N        an application folder with N finished movies
//   mq_player_tool shot HOME OUT    the main window playing the first movie, as OUT.png
//   mq_player_tool loads HOME K     K movies clicked one after another: the time from
//                                   each click to its first frame, and the memory
// The player library and Ruffle are found through MQ_PLAYER_LIBRARY and MQ_RUFFLE_DIR.
#include "base/OleDate.h"
#include "common/SwfWriter.h"
#include "jobs/CategoryTree.h"
#include "player/MoviePlayer.h"
#include "session/AppCore.h"
#include "ui/CategoryTreePanel.h"
#include "ui/JobListPanel.h"
#include "ui/frmMain.h"
#include "ui/frmMainPlayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTextStream>
#include <QTreeView>
#include <cstdio>

namespace {
long statusKb(const char *field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ')[0].toLong();
    return 0;
}

int writeDatabase(const QString &home, int count) {
    AppCore core;
    core.paths = AppPaths::forFolder(home);
    core.paths.DownloadFolder = home + QStringLiteral("/mydown/");
    QDir().mkpath(core.paths.DownloadFolder);
    BuildDefaultTree(core.tree, core.DownJobs, core.paths);
    const quint32 colours[] = {0x2f6fb0, 0xb0562f, 0x3c9a55, 0x7a4bb0};
    for (int i = 1; i <= count; ++i) {
        DownJobRecord r;
        r.CategoryKey = QStringLiteral("Downloaded");
        r.State = 4;
        r.FileName = QStringLiteral("movie-%1.swf").arg(i, 3, 10, QLatin1Char('0'));
        r.SavePath = core.paths.DownloadFolder + r.FileName;
        r.Url = QStringLiteral("http://media.example.org/flash/") + r.FileName;
        r.Host = QStringLiteral("media.example.org");
        SwfRecipe recipe;
        recipe.frames = 240;
        recipe.frameRate = 24;
        recipe.width = 480;
        recipe.height = 360;
        recipe.background = colours[i % 4];
        recipe.compression = 'C';
        const QByteArray bytes = makeSwf(recipe);
        QFile out(r.SavePath);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return 1;
        r.TotalSize = r.Received = qint32(bytes.size());
        r.Parts = 1;
        r.CreateTime = OleDate::now() - i * 0.01;
        r.CompleteTime = r.CreateTime + 0.001;
        core.DownJobs.add(r);
    }
    QString error;
    return SaveJobDatabase(core.tree, core.DownJobs, core.paths.JobDbPath, &error) ? 0 : 1;
}

// Clicks row `row` of lvHaveDown and waits for the movie's first frame;
// returns the milliseconds, or -1.
qint64 playRow(frmMain &w, int row) {
    QTreeView *list = w.lists()->lvHaveDown();
    const QModelIndex index = list->model()->index(row, 0);
    QElapsedTimer clock;
    clock.start();
    list->setCurrentIndex(index);
    emit list->clicked(index);
    MoviePlayer *player = w.moviePanel()->player();
    while (clock.elapsed() < 20000) {
        if (player && player->FrameShown()) return clock.elapsed();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        player = w.moviePanel()->player();
    }
    return -1;
}
} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) return 2;
    const QString home = args[2];
    if (args[1] == QLatin1String("db")) return writeDatabase(home, args[3].toInt());

    AppCore core;
    core.paths = AppPaths::forFolder(home);
    core.paths.DownloadFolder = home + QStringLiteral("/mydown/");
    frmMain w(core);
    w.load();
    w.resize(1100, 720);
    w.tvNa()->selectKey(TreeKey::Downloaded);
    QTextStream out(stdout);
    if (args[1] == QLatin1String("shot")) {
        if (playRow(w, 0) < 0) return 1;
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 1500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const QRect frame = w.frameGeometry();
        w.screen()
            ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
            .save(args[3]);
        return 0;
    }
    const int loads = args[3].toInt();
    out << "rss_before_kb " << statusKb("VmRSS:") << '\n';
    for (int i = 0; i < loads; ++i) {
        const qint64 ms = playRow(w, i % w.lists()->lvHaveDown()->model()->rowCount());
        out << "load " << i + 1 << " ms " << ms << " rss_kb " << statusKb("VmRSS:") << '\n';
        out.flush();
        if (ms < 0) return 1;
    }
    out << "rss_after_kb " << statusKb("VmRSS:") << " hwm_kb " << statusKb("VmHWM:") << '\n';
    return 0;
}
