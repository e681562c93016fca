#include "MainWindowFixture.h"
#include "base/OleDate.h"
#include "common/TestFiles.h"
#include "dialogs/frmOption.h"
#include "jobs/CategoryTree.h"
#include "session/AppCore.h"
#include "ui/CategoryTreePanel.h"
#include "ui/FileInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"
#include "ui/MainToolbars.h"
#include "ui/PartsChart.h"
#include "ui/Resizer.h"
#include "ui/TrayIcon.h"
#include "ui/frmMain.h"
#include "ui/frmMainAdd.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>
#include <memory>

namespace {
DownJobRecord job(const QString &category, int state, const QString &name) {
    DownJobRecord r;
    r.CategoryKey = category;
    r.State = state;
    r.FileName = name;
    r.SavePath = QStringLiteral("/nowhere/") + name;
    r.Url = QStringLiteral("http://example.org/") + name;
    r.TotalSize = 2048;
    r.Received = state == 4 ? 2048 : 1023;
    r.Parts = 2;
    r.CreateTime = OleDate::now() - 0.001;
    return r;
}

// Jobs in every state, nested categories.
void sampleDatabase(CategoryStore &tree, JobTable &jobs) {
    tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", "/c/");
    tree.addNode("101k", "101k1", "Old", "5", "6", "/c/old/");
    jobs.add(job("101k", 1, "running.swf"));   // 1
    jobs.add(job("101k", 2, "paused.swf"));    // 2
    jobs.add(job("101k", 3, "waiting.swf"));   // 3
    jobs.add(job("101k", 4, "cartoon.swf"));   // 4
    jobs.add(job("101k1", 4, "old.swf"));      // 5
    jobs.add(job("Recely", 4, "binned.swf"));  // 6
    jobs.add(job("Downloaded", 4, "top.swf")); // 7
    jobs.add(job("101k", 5, "broken.swf"));    // 8
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT
private slots:
    void init() { TrayIcon::overrideAvailability(std::nullopt); }

    void firstRunShowsTheDefaultTree() {
        MainWindowFixture env(false);
        frmMain &w = env.open();
        QCOMPARE(env.saves, 1);
        QCOMPARE(env.loads, 0);
        QVERIFY(QDir(env.core.paths.DownloadFolder).exists());
        QTreeView *tree = w.tvNa();
        QCOMPARE(tree->objectName(), QString("tvNa"));
        QCOMPARE(texts(tree), QStringList({"MoorQuill", "History"}));
        // The default tree itself is checked on the core; here it is shown, with icons.
        const QModelIndex downloaded = tree->model()->index(2, 0, tree->model()->index(0, 0));
        QCOMPARE(tree->model()->index(3, 0, downloaded).data().toString(), QString("Ad"));
        QVERIFY(!tree->model()->index(0, 0, downloaded).data(Qt::DecorationRole).isNull());
        QCOMPARE(w.tvNa()->currentKey(), QString("Downloaded"));
        QCOMPARE(env.core.view.CurrentView, 3);
        QCOMPARE(w.lists()->currentWidget(), w.lists()->lvHaveDown());
        QCOMPARE(w.statusPanel(1)->text(), QString("MoorQuill 1.3"));
        QCOMPARE(w.tray()->tip(), w.windowTitle());
        QVERIFY(w.isVisible());
        QCOMPARE(env.core.lvNowDown.count(), 0);
    }

    // Captions with their odd spelling, and commands not built yet disabled.
    void menuCaptions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("import") << "mnuFile_AddNew" << QString("Import &Previous File...") << false;
        QTest::newRow("new job") << "mnuJob_New" << QString("Add &New Download Job...") << true;
        QTest::newRow("search") << "mnuJob_AllPause1" << QString("Pause All Search Job") << false;
        QTest::newRow("redial") << "mnuOption_AutoDail" << QString("&Redial if Disconnected")
                                << true;
        QTest::newRow("tell") << "mnuTellFriend" << QString("&Tell Friend About Moorquill") << true;
        QTest::newRow("pop tree") << "popTree_ExportList" << QString("&Export DownLoad List...")
                                  << false;
    }
    void menuCaptions() {
        QFETCH(QString, name);
        MainWindowFixture env(false);
        env.open();
        QAction *action = env.find<QAction>(name);
        QVERIFY2(action, qPrintable(name));
        QTEST(action->text(), "caption");
        QTEST(action->isEnabled(), "enabled");
        QCOMPARE(env.find<QMenu>("mnuOption")->title(), QString("&Operate"));
    }

    void everyJobUnderItsNode_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("files");
        // Which node lists which job is checked on the core; here the list shows it.
        QTest::newRow("nested") << "101k1" << QStringList{"old.swf"};
        QTest::newRow("Today") << "Today"
                               << QStringList{"cartoon.swf", "old.swf", "binned.swf", "top.swf"};
    }
    void everyJobUnderItsNode() {
        QFETCH(QString, key);
        MainWindowFixture env;
        frmMain &w = env.open(sampleDatabase);
        QCOMPARE(env.saves, 0);
        QCOMPARE(env.loads, 1);
        // Jobs not complete are listed in table order, with their state icons.
        QCOMPARE(texts(w.lists()->lvNowDown(), 1),
                 QStringList({"running.swf", "paused.swf", "waiting.swf", "broken.swf"}));
        QCOMPARE(texts(w.lists()->lvNowDown(), 4), QStringList({"49%", "49%", "49%", "49%"}));
        w.tvNa()->selectKey(key);
        QCOMPARE(w.lists()->currentWidget(), w.lists()->lvHaveDown());
        QTEST(texts(w.lists()->lvHaveDown()), "files");
    }

    // The view and menu rules are MainView's and MenuRules' (tst_joblists);
    // here the panes, the toolbar and the file information follow them.
    void panesAndToolbarFollowTheSelection() {
        MainWindowFixture env;
        frmMain &w = env.open(sampleDatabase);
        QCOMPARE(env.core.DownJobs[1].State, qint16(2)); // saved while running: loads paused
        auto *lower = env.find<QStackedWidget>("picLower");
        MainToolbars *tb = w.toolbars();
        QCOMPARE(tb->imageOf(tb->tbOper(), "Exchange"), QString("Exchange1"));
        auto enabled = [&](const char *key) { return tb->button(tb->tbMain(), key)->isEnabled(); };
        for (const QString &key : selectionButtonKeys())
            QVERIFY2(!tb->button(tb->tbMain(), key)->isEnabled(), qPrintable(key));
        w.tvNa()->selectKey("NowDownLoad");
        QCOMPARE(w.lists()->currentWidget(), w.lists()->lvNowDown());
        QCOMPARE(lower->currentWidget()->objectName(), QString("picDownInfo"));
        clickRow(w.lists()->lvNowDown(), 1); // the paused job
        QCOMPARE(env.core.view.SelectedJob, 2);
        QVERIFY(enabled("Start") && !enabled("Pause") && enabled("AllStart"));
        w.tvNa()->selectKey("NowSearch");
        QCOMPARE(w.lists()->currentWidget(), w.lists()->lvDownHtml());
        QCOMPARE(lower->currentWidget()->objectName(), QString("lvHaveDownHtml"));
        // A finished file: its information and the file buttons.
        w.tvNa()->selectKey("101k");
        QCOMPARE(lower->currentWidget()->objectName(), QString("picFileInfo"));
        QVERIFY(!enabled("Openfile"));
        clickRow(w.lists()->lvHaveDown(), 0);
        QVERIFY(enabled("Openfile") && enabled("Opendir"));
        QTreeView *info = w.fileInfo()->lvHaveDownInfo();
        QCOMPARE(texts(info).first(), QString("Create Time"));
        QCOMPARE(texts(info, 1).at(4), QString("2048"));
    }

    void runningJobDetails() {
        MainWindowFixture env;
        frmMain &w = env.open(sampleDatabase);
        env.core.lists.slotOfJob = [](int job) { return job == 1 ? 1 : 0; };
        w.tvNa()->selectKey("NowDownLoad");
        clickRow(w.lists()->lvNowDown(), 0);
        auto *detail = env.find<QTreeView>("tvNowDown");
        QCOMPARE(texts(detail), QStringList({"Chart", "Part 1", "Part 2"}));
        QCOMPARE(env.find<QTimer>("Timer3")->isActive(), true);
        // The chart follows the job's progress.
        clickRow(detail, 0);
        auto *chart = env.find<PartsChart>("picDraw");
        QVERIFY(chart->isVisibleTo(&w) && !chart->isBlank());
        env.core.DownJobs[1].part(1) = {0, 0, 1023};
        env.core.view.jobProgressed(1);
        const QImage before = chart->picture();
        env.core.DownJobs[1].part(1).Pos = 1024;
        env.core.view.jobProgressed(2); // another job: nothing redrawn
        QCOMPARE(chart->picture(), before);
        env.core.view.jobProgressed(1);
        QVERIFY(chart->picture() != before);
        clickRow(detail, 2); // "Part 2": its log lines
        QCOMPARE(env.core.view.SelectedJob, 1);
        clickRow(w.lists()->lvNowDown(), 1); // paused: the panel is cleared
        QCOMPARE(detail->model()->rowCount(), 0);
        QCOMPARE(env.find<QTimer>("Timer3")->isActive(), false);
        QVERIFY(chart->isBlank());
    }

    void treeToggleRemembersItsWidth() {
        MainWindowFixture env(false);
        frmMain &w = env.open();
        auto *r1 = env.find<Resizer>("Resizer1");
        const int width = r1->Control1Size();
        QAction *item = env.find<QAction>("mnuView_Tree");
        QVERIFY(item->isChecked());
        item->trigger();
        QVERIFY(!item->isChecked());
        QVERIFY(w.tvNa()->isHidden());
        QCOMPARE(r1->Tag, QString::number(width));
        QCOMPARE(w.toolbars()->imageOf(w.toolbars()->tbOper(), "tvNa"), QString("tvNa2"));
        w.toolbars()->button(w.toolbars()->tbOper(), "tvNa")->trigger();
        QVERIFY(item->isChecked());
        QVERIFY(!w.tvNa()->isHidden());
        QCOMPARE(r1->Control1Size(), width);
        QCOMPARE(w.toolbars()->imageOf(w.toolbars()->tbOper(), "tvNa"), QString("tvNa1"));
        // The upper list hides with "lvD" and comes back when a view needs it.
        auto *r2 = env.find<Resizer>("Resizer2");
        w.toolbars()->button(w.toolbars()->tbOper(), "lvD")->trigger();
        QVERIFY(!r2->Control1Visible());
        QCOMPARE(w.toolbars()->imageOf(w.toolbars()->tbOper(), "lvD"), QString("lvD2"));
        w.tvNa()->selectKey("NowDownLoad");
        QVERIFY(r2->Control1Visible());
        QCOMPARE(w.toolbars()->imageOf(w.toolbars()->tbOper(), "lvD"), QString("lvD1"));
        env.find<QAction>("mnuView_ToolBar")->trigger();
        QVERIFY(w.toolbars()->tbMain()->isHidden());
        env.find<QAction>("mnuView_State")->trigger();
        QVERIFY(w.statusBar()->isHidden());
    }

    void closeMinMinimisesButExitEnds() {
        MainWindowFixture env(false);
        frmMain &w = env.open();
        env.core.settings.CloseMin = 1;
        QVERIFY(!w.close());
        QVERIFY(w.isMinimized());
        QCOMPARE(env.saves, 1); // only the first-run write
        env.find<QAction>("mnuFile_Exit")->trigger();
        QVERIFY(!w.isVisible());
        QCOMPARE(env.saves, 2);
        QCOMPARE(env.core.settings.CloseMin, 0);
        QVERIFY(!w.tray()->isAdded());
    }

    void closingPausesAndSaves() {
        MainWindowFixture env(false);
        frmMain &w = env.open();
        int paused = 0;
        w.pauseAll = [&] { ++paused; };
        QVERIFY(w.close());
        QCOMPARE(paused, 1);
        QCOMPARE(env.saves, 2);
    }

    void hideMinNeedsATray_data() {
        QTest::addColumn<int>("hideMin");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("hides") << 1 << true << true;
        QTest::newRow("option off") << 0 << true << false;
        QTest::newRow("no tray") << 1 << false << false;
    }
    void hideMinNeedsATray() {
        QFETCH(int, hideMin);
        QFETCH(bool, tray);
        QFETCH(bool, hidden);
        TrayIcon::overrideAvailability(tray);
        MainWindowFixture env(false);
        frmMain &w = env.open();
        env.core.settings.HideMin = qint16(hideMin);
        w.showMinimized();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(!w.isVisible(), hidden);
        w.tray()->leftClicked();
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
    }

    void startMinimised() {
        MainWindowFixture env(false);
        QVERIFY(writeFileBytes(env.core.paths.SettingsPath, "[Other]\r\nStartMin=1\r\n"));
        env.core.settings.StartMin = 1;
        frmMain &w = env.open();
        QVERIFY(w.isMinimized());
    }

    void trayRightClickShowsPopMain() {
        MainWindowFixture env;
        frmMain &w = env.open(sampleDatabase);
        QSignalSpy shown(w.tray(), &TrayIcon::menuShown);
        w.tray()->rightClicked();
        QCOMPARE(shown.count(), 1);
        QVERIFY(env.find<QMenu>("popMain")->isVisible());
        env.find<QMenu>("popMain")->close();
    }

    void damagedDatabaseIsToldOnce() {
        MainWindowFixture env;
        env.loadResult.damaged = true;
        env.loadResult.error = "cut short";
        env.loadResult.backupPath = env.home.file("default.mqb.damaged");
        frmMain &w = env.open([](CategoryStore &tree, JobTable &) {
            tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", "/c/");
        });
        QCOMPARE(w.findChildren<QMessageBox *>("msgDamagedDatabase").size(), 1);
        QVERIFY(w.findChild<QMessageBox *>("msgDamagedDatabase")->text().contains("cut short"));
        w.reportDamagedDatabase(env.loadResult);
        QCOMPARE(w.findChildren<QMessageBox *>("msgDamagedDatabase").size(), 1);
        QVERIFY(env.core.tree.contains("101k")); // what was read is kept
        QVERIFY(env.core.tree.contains("All"));
    }

    void skinsOpensTheOptionsDialogOnItsOtherTab() {
        MainWindowFixture env(false);
        env.open();
        int page = 0;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<frmOption *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            page = dialog->currentPage();
            dialog->cmdCancel->click();
        });
        env.find<QAction>("mnuOption_Skin")->trigger();
        QCOMPARE(page, int(frmOption::OtherPage));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
