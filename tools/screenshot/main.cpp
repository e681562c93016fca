// Takes a picture of the main window with a dozen sample jobs, for the README.
// Usage: mq_screenshot OUT.png WIDTH HEIGHT [NODE_KEY] [ROW]
//        mq_screenshot OUT.png WIDTH HEIGHT --new-job MODE   (the "Add New Job" dialog)
// Runs in a fresh temporary application folder; nothing of the user's is read.
#include "base/OleDate.h"
#include "dialogs/frmNewDown1.h"
#include "jobs/CategoryTree.h"
#include "session/AppCore.h"
#include "ui/CategoryTreePanel.h"
#include "ui/DownInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

namespace {
DownJobRecord job(const QString &category, int state, const QString &name, qint32 size,
                  qint32 received, int parts, double ageDays) {
    DownJobRecord r;
    r.CategoryKey = category;
    r.State = state;
    r.FileName = name;
    r.SavePath = QDir::homePath() + QStringLiteral("/mydown/") + name;
    r.Url = QStringLiteral("http://media.example.org/flash/") + name;
    r.Host = QStringLiteral("media.example.org");
    r.TotalSize = size;
    r.Received = received;
    r.Parts = qint16(parts);
    r.CanResume = kTrue;
    r.CreateTime = OleDate::now() - ageDays;
    r.CompleteTime = r.CreateTime + 0.01;
    r.TotalTime = 0.0021;
    r.AverageSpeed = 48213.7f;
    const qint32 share = parts ? size / parts : 0;
    for (int k = 1; k <= parts; ++k) {
        PartRange &p = r.part(k);
        p.StartPos = (k - 1) * share;
        p.EndPos = k == parts ? size - 1 : k * share - 1;
        const double done = received / double(qMax(1, size));
        p.Pos =
            p.StartPos + qint32((p.EndPos - p.StartPos + 1) * qMin(1.0, done * (1.3 - 0.12 * k)));
    }
    return r;
}
} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) return 2;
    QTemporaryDir home;
    AppCore core;
    core.paths = AppPaths::forFolder(home.path());
    core.paths.DownloadFolder = home.path() + QStringLiteral("/mydown/");
    JobTable &t = core.DownJobs;
    t.add(job({}, 1, "ocean-waves.swf", 2457600, 1466368, 4, 0.1));
    t.add(job({}, 3, "robot-dance.swf", 884736, 0, 0, 0.2));
    t.add(job({}, 2, "starfield-intro.swf", 3145728, 1048576, 3, 1.5));
    t.add(job({}, 5, "paper-planes.swf", 0, 0, 0, 2));
    t.add(job({}, 1, "pixel-racer.swf", 1536000, 307200, 2, 0.05));
    t.add(job("101k", 4, "garden-gnomes.swf", 1239040, 1239040, 4, 0.2));
    t.add(job("101k", 4, "moon-cat.swf", 734003, 734003, 2, 3));
    t.add(job("101k", 4, "snow-fight.swf", 2097152, 2097152, 5, 12));
    t.add(job("101k", 4, "lighthouse-keeper.swf", 4718592, 4718592, 6, 40));
    t.add(job("102k", 4, "summer-beat.swf", 3670016, 3670016, 4, 1));
    t.add(job("103k", 4, "maze-runner.swf", 1048576, 1048576, 3, 5));
    t.add(job("Recely", 4, "old-banner.swf", 65536, 65536, 1, 20));
    core.lists.slotOfJob = [](int j) { return j == 1 ? 1 : j == 5 ? 2 : 0; };
    core.lists.liveSpeed = [](int j) { return j == 1 ? 61440.0 : 23552.0; };

    frmMain window(core);
    window.load();
    if (args.size() > 5 && args[4] == QLatin1String("--new-job")) {
        // The dialog as a user sees it with a URL handed over, or a batch.
        frmNewDown1 dialog(core, args[5].toInt(), {}, &window);
        dialog.PresetUrl =
            QStringLiteral("http://media.example.org/flash/ocean-waves.swf?from=home");
        if (args[5] == QLatin1String("3"))
            dialog.PresetUrl = QStringLiteral("http://media.example.org/flash/episode-*.swf");
        dialog.resize(args[2].toInt(), args[3].toInt());
        dialog.show();
        if (args[5] == QLatin1String("3")) {
            dialog.txtN2->setText(QStringLiteral("12"));
            dialog.txtN3->setText(QStringLiteral("2"));
            dialog.cmdCreateUrl->click();
        }
        QTimer::singleShot(400, &app, [&] {
            dialog.grab().save(args[1]);
            app.quit();
        });
        return app.exec();
    }
    window.resize(args[2].toInt(), args[3].toInt());
    if (args.size() > 4) window.tvNa()->selectKey(args[4]);
    QTreeView *list = window.lists()->listOfView(core.view.CurrentView);
    if (args.size() > 5 && list->model()->rowCount() > args[5].toInt())
        list->setCurrentIndex(list->model()->index(args[5].toInt(), 0));
    if (core.view.CurrentView == 3 && list->currentIndex().isValid())
        core.view.selectCompletedJob(window.lists()->completedJobAt(list->currentIndex()));
    if (args.size() > 6) core.view.selectDetailNode(args[6]);
    window.EnabledTb();
    QTimer::singleShot(400, &app, [&] {
        window.grab().save(args[1]);
        app.quit();
    });
    return app.exec();
}
