#include "MainWindowFixture.h"
#include "base/OleDate.h"
#include "common/FaultHttpServer.h"
#include "engine/DownloadEvents.h"
#include "engine/clsDownLoadJob.h"
#include "engine/frmJobmessage.h"
#include "ui/CategoryTreePanel.h"
#include "ui/DownInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/frmMain.h"

#include "ui/MainMenus.h"
#include "ui/MainToolbars.h"

#include <QListWidget>
#include <QMenu>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>
#include <memory>

namespace {
struct Env : MainWindowFixture {
    FaultHttpServer server;

    DownJobRecord record(const QString &path, int state, int parts = 2) {
        DownJobRecord r;
        r.CategoryKey = QStringLiteral("101k");
        r.State = state;
        r.IsNew = kTrue;
        r.Parts = qint16(parts);
        r.Url = server.url(path);
        r.UserAgent = QStringLiteral("MQTest");
        r.FileName = path.mid(1);
        r.SavePath = home.file("mydown/" + r.FileName);
        r.CreateTime = OleDate::now();
        return r;
    }
    frmMain &open(QVector<DownJobRecord> jobs) { return MainWindowFixture::open(cartoon(jobs)); }
};
} // namespace

// The main window driving real downloads: the slots, the job lists and the
// detail panel of the running job, against the local test server.
class TestFrmMainEngine : public QObject {
    Q_OBJECT
private slots:
    void waitingJobsDoNotStartDuringLoad() {
        Env env;
        env.server.serve("/a.swf", 1000);
        DownJobRecord running = env.record("/a.swf", 1);
        running.FileOpen = kTrue;
        frmMain &w = env.open({env.record("/a.swf", 3), running});
        QCOMPARE(env.core.settings.Maxjobs, qint16(5));
        QCOMPARE(w.events()->BusySlots(), 0);
        QCOMPARE(env.core.DownJobs[1].State, qint16(3));
        QCOMPARE(env.core.DownJobs[2].State, qint16(2)); // saved while running
        QCOMPARE(env.core.DownJobs[2].FileOpen, qint16(kFalse));
        QCOMPARE(env.core.lvNowDown.count(), 2);
    }

    void addedJobDownloadsWithLiveDetails() {
        Env env;
        env.server.serve("/clip.swf", 96 * 1024);
        env.server.resource("/clip.swf").chunk = 4096;
        env.server.resource("/clip.swf").intervalMs = 15;
        env.core.settings.PopMessage = 1;
        frmMain &w = env.open({});
        env.core.settings.PopMessage = 1;
        w.tvNa()->selectKey("NowDownLoad");

        const int index = env.core.DownJobs.add(env.record("/clip.swf", 3));
        QSignalSpy finished(w.events(), &DownloadEvents::JobFinished);
        const int saves = env.saves;
        env.core.lists.AddJobToList(index);
        QTRY_VERIFY(env.saves > saves); // the new job is in the database soon
        QVERIFY(w.events()->clsDownJob(1)->Busy);
        QCOMPARE(env.core.DownJobs[index].State, qint16(1));

        // The running job's details: the parts tree, then a part's log on bands.
        QTreeView *list = w.lists()->lvNowDown();
        clickRow(list, 0);
        QTreeView *tree = w.downInfo()->tvNowDown();
        QCOMPARE(texts(tree), QStringList({"Chart", "Part 1", "Part 2"}));
        QTRY_VERIFY(env.core.DownJobs[index].Received > 0);
        clickRow(tree, 1);
        QTreeView *log = w.downInfo()->lvResponse(1);
        QVERIFY(log->isVisibleTo(&w));
        QTRY_VERIFY(texts(log, 1).contains("Send Request."));
        const int connected = int(texts(log, 1).indexOf(QRegularExpression("Connected:.*")));
        QVERIFY2(connected >= 0, qPrintable(texts(log, 1).join(" / ")));
        QCOMPARE(log->model()->index(connected, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(0, 147, 0));
        QCOMPARE(log->currentIndex().row(), log->model()->rowCount() - 1);
        // The log grows while the list shows it; the row's numbers follow.
        const int lines = log->model()->rowCount();
        QTRY_VERIFY(log->model()->rowCount() > lines || !finished.isEmpty());
        QTRY_VERIFY(texts(list, 3).value(0).toInt() > 0 || !finished.isEmpty());

        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 10000);
        QCOMPARE(finished.first().at(1).toInt(), int(StateComplete));
        QCOMPARE(env.core.lvNowDown.count(), 0);
        QCOMPARE(tree->model()->rowCount(), 0);
        QCOMPARE(readFileBytes(env.core.DownJobs[index].SavePath),
                 env.server.resource("/clip.swf").body);
        QVERIFY(w.jobMessageWindow()->list()->item(0)->text().startsWith("Job complete.http://"));
        w.tvNa()->selectKey("101k");
        QCOMPARE(texts(w.lists()->lvHaveDown()), QStringList({"clip.swf"}));
    }

    void commandsThroughMenuAndToolbar() {
        Env env;
        for (const char *path : {"/a.swf", "/b.swf"}) {
            env.server.serve(path, 8000);
            env.server.resource(path).stall = true;
        }
        frmMain &w = env.open({env.record("/a.swf", 2, 1), env.record("/b.swf", 2, 1)});
        env.core.settings.Maxjobs = 1;
        MainMenus *menus = w.menus();
        MainToolbars *tb = w.toolbars();
        auto state = [&](int job) { return int(env.core.DownJobs[job].State); };
        auto icon = [&](int row) { return env.core.lvNowDown.row(row).iconKey; };
        auto openJobMenu = [&] {
            QMenu *menu = menus->menu("mnuJob");
            menu->popup(w.mapToGlobal(QPoint(10, 10))); // the rules run as it opens
            QHash<QString, bool> enabled;
            if (!QTest::qWaitFor([menu] { return menu->isVisible(); })) return enabled;
            for (const char *name : {"mnuJob_Begin", "mnuJob_Pause", "mnuJob_AllBegin",
                                     "mnuJob_AllPause", "mnuJob_Begin1"})
                enabled[name] = menus->action(name)->isEnabled();
            menu->hide();
            return enabled;
        };
        auto clickTool = [&](const char *key) {
            QWidget *button = tb->tbMain()->widgetForAction(tb->button(tb->tbMain(), key));
            QTest::mouseClick(button, Qt::LeftButton);
        };

        w.tvNa()->selectKey("NowDownLoad");
        QTreeView *list = w.lists()->lvNowDown();
        clickRow(list, 0);
        // The Jobs menu: a paused job can be started; nothing runs yet.
        auto enabled = openJobMenu();
        QCOMPARE(enabled.size(), 5);
        QVERIFY(enabled["mnuJob_Begin"] && !enabled["mnuJob_Pause"]);
        QVERIFY(enabled["mnuJob_AllBegin"] && !enabled["mnuJob_AllPause"]);
        QVERIFY(!enabled["mnuJob_Begin1"]);
        menus->action("mnuJob_Begin")->trigger();
        QCOMPARE(state(1), 1);
        QCOMPARE(w.events()->slot(1).jobIndex, 1);

        // A second job waits: Maxjobs is 1.
        clickRow(list, 1);
        menus->action("mnuJob_Begin")->trigger();
        QCOMPARE(state(2), 3);
        QCOMPARE(icon(1), QString("Waitfor"));

        // The toolbar: pausing the running job hands its slot to the waiting one.
        clickRow(list, 0);
        QVERIFY(tb->button(tb->tbMain(), "Pause")->isEnabled());
        clickTool("Pause");
        QCOMPARE(state(1), 2);
        QCOMPARE(icon(0), QString("Pause"));
        QCOMPARE(w.events()->slot(1).jobIndex, 2);
        QCOMPARE(state(2), 1);
        QTRY_VERIFY(env.saves > 0); // the pause reached the database
        clickTool("AllPause");
        QCOMPARE(state(2), 2);
        QCOMPARE(w.events()->BusySlots(), 0);

        // Exit pauses every job before the database is written.
        w.tvNa()->selectKey("NowDownLoad");
        clickRow(list, 1);
        menus->action("mnuJob_AllBegin")->trigger();
        QCOMPARE(state(1), 1);
        QCOMPARE(state(2), 3);
        const int saves = env.saves;
        menus->action("mnuFile_Exit")->trigger();
        QCOMPARE(state(1), 2);
        QCOMPARE(state(2), 2);
        QVERIFY(env.saves > saves);
    }
};

QTEST_MAIN(TestFrmMainEngine)
#include "tst_frmmain_engine.moc"
