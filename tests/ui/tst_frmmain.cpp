// The main window, one smoke test per panel: a typical action of each works
// end to end. The rules behind the panels are tested on their own classes
// (tst_joblists, tst_jobedit, tst_handoffflow, tst_frmnewdown1, ...).
#include "MainWindowEnv.h"
#include "browser/HandOffFlow.h"
#include "browser/frmTop.h"
#include "engine/DownloadEvents.h"
#include "engine/frmJobmessage.h"
#include "jobs/JobDatabase.h"
#include "movies/frmMovieDeps.h"
#include "search/NewSearch.h"
#include "search/SearchSlot.h"
#include "ui/CategoryTreePanel.h"
#include "ui/DownInfoPanel.h"
#include "ui/FileInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainHandOff.h"
#include "ui/MainToolbars.h"
#include "ui/MainTopWindow.h"
#include "ui/PartsChart.h"
#include "ui/TrayIcon.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTreeWidget>

class TestFrmMain : public QObject {
    Q_OBJECT
private slots:
    void init() { TrayIcon::overrideAvailability(std::nullopt); }

    void firstRunShowsTheDefaultTree() {
        Env env(false);
        frmMain &w = env.open();
        QCOMPARE(env.saves, 1);
        QVERIFY(QDir(env.core.paths.DownloadFolder).exists());
        QCOMPARE(texts(w.tvNa()), QStringList({"MoorQuill", "History"}));
        QCOMPARE(w.tvNa()->currentKey(), QString("Downloaded"));
        QCOMPARE(w.statusPanel(1)->text(), QString("MoorQuill 1.3"));
        QCOMPARE(w.tray()->tip(), w.windowTitle());
        // Captions with their odd spelling; commands not built yet disabled.
        const std::tuple<const char *, const char *, bool> entries[] = {
            {"mnuFile_AddNew", "Import &Previous File...", false},
            {"mnuJob_AllPause1", "Pause All Search Job", false},
            {"mnuOption_AutoDail", "&Redial if Disconnected", true},
            {"mnuTellFriend", "&Tell Friend About Moorquill", true}};
        for (const auto &[name, caption, enabled] : entries) {
            auto *a = env.find<QAction>(name);
            QVERIFY2(a && a->text() == caption && a->isEnabled() == enabled, name);
        }
        QCOMPARE(env.find<QMenu>("mnuOption")->title(), QString("&Operate"));
    }

    // The view and menu rules are MainView's and MenuRules' (tst_joblists);
    // here the panes, the toolbar and the file information follow them.
    void panesAndToolbarFollowTheSelection() {
        Env env;
        frmMain &w = env.open(sampleDatabase);
        QCOMPARE(env.core.DownJobs[1].State, qint16(2)); // saved while running: loads paused
        QCOMPARE(texts(w.lists()->lvNowDown(), 1),
                 QStringList({"running.swf", "paused.swf", "waiting.swf", "broken.swf"}));
        auto *lower = env.find<QStackedWidget>("picLower");
        MainToolbars *tb = w.toolbars();
        auto enabled = [&](const char *key) { return tb->button(tb->tbMain(), key)->isEnabled(); };
        for (const QString &key : selectionButtonKeys())
            QVERIFY2(!tb->button(tb->tbMain(), key)->isEnabled(), qPrintable(key));
        w.tvNa()->selectKey("NowDownLoad");
        QCOMPARE(lower->currentWidget()->objectName(), QString("picDownInfo"));
        clickRow(w.lists()->lvNowDown(), 1); // the paused job
        QCOMPARE(env.core.view.SelectedJob, 2);
        QVERIFY(enabled("Start") && !enabled("Pause") && enabled("AllStart"));
        clickRow(w.lists()->lvNowDown(), 2); // the waiting job
        QVERIFY(!enabled("Start") && enabled("Pause"));
        // The running job's details; its chart follows its progress alone.
        env.core.lists.slotOfJob = [](int job) { return job == 1 ? 1 : 0; };
        clickRow(w.lists()->lvNowDown(), 0);
        auto *detail = env.find<QTreeView>("tvNowDown");
        QCOMPARE(texts(detail), QStringList({"Chart", "Part 1", "Part 2"}));
        clickRow(detail, 0);
        auto *chart = env.find<PartsChart>("picDraw");
        QVERIFY(chart->isVisibleTo(&w) && !chart->isBlank());
        const QImage before = chart->picture();
        env.core.DownJobs[1].part(1) = {0, 1000, 1023};
        env.core.view.jobProgressed(2);
        QCOMPARE(chart->picture(), before);
        env.core.view.jobProgressed(1);
        QVERIFY(chart->picture() != before);
        w.tvNa()->selectKey("101k");
        QCOMPARE(texts(w.lists()->lvHaveDown()), QStringList{"cartoon.swf"});
        QCOMPARE(lower->currentWidget()->objectName(), QString("picFileInfo"));
        QVERIFY(!enabled("Openfile") && !enabled("Pause"));
        clickRow(w.lists()->lvHaveDown(), 0);
        QVERIFY(enabled("Openfile") && enabled("Opendir") && !enabled("Start"));
        QCOMPARE(texts(w.fileInfo()->lvHaveDownInfo()).first(), QString("Create Time"));
    }

    // With CloseMin, closing minimises; Exit pauses, saves and ends.
    void closeMinimisesButExitEnds() {
        Env env(false);
        frmMain &w = env.open();
        int paused = 0;
        w.pauseAll = [&] { ++paused; };
        env.core.settings.CloseMin = 1;
        QVERIFY(!w.close());
        QVERIFY(w.isMinimized());
        QCOMPARE(env.saves, 1); // only the first-run write
        env.action("mnuFile_Exit")->trigger();
        QVERIFY(!w.isVisible());
        QCOMPARE(paused, 1);
        QCOMPARE(env.saves, 2);
        QVERIFY(!w.tray()->isAdded());
    }

    // Minimised with HideMin, the window hides in the tray, only with a tray.
    void hideMinNeedsATray() {
        for (bool tray : {true, false}) {
            TrayIcon::overrideAvailability(tray);
            Env env(false);
            frmMain &w = env.open();
            env.core.settings.HideMin = 1;
            w.showMinimized();
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            QCOMPARE(w.isVisible(), !tray);
            w.tray()->leftClicked();
            QVERIFY(w.isVisible() && !w.isMinimized());
        }
    }

    void damagedDatabaseIsToldOnce() {
        Env env;
        env.loadResult.damaged = true;
        env.loadResult.error = "cut short";
        frmMain &w = env.open();
        QCOMPARE(w.findChildren<QMessageBox *>("msgDamagedDatabase").size(), 1);
        QVERIFY(w.findChild<QMessageBox *>("msgDamagedDatabase")->text().contains("cut short"));
        w.reportDamagedDatabase(env.loadResult);
        QCOMPARE(w.findChildren<QMessageBox *>("msgDamagedDatabase").size(), 1);
        QVERIFY(env.core.tree.contains("101k")); // what was read is kept
    }

    // Adding: the toolbar into the real dialog; Ctrl+V with a URL.
    void addPanel() {
        Env env;
        frmMain &w = env.open();
        env.drive = [](frmNewDown1 &d) {
            QTest::keyClicks(d.txtUrl, "http://127.0.0.1:9/films/movie.swf");
            d.Option3->setChecked(true); // "Manual"
            QTest::mouseClick(d.cmdNewJobOk, Qt::LeftButton);
        };
        w.toolbars()->button(w.toolbars()->tbMain(), "AddNewJob")->trigger();
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(1));
        QVERIFY(w.statusBar()->currentMessage().contains("1 download job added"));
        env.drive = [](frmNewDown1 &d) { d.reject(); };
        for (const char *text : {"  http://h/pasted.swf\n", "just words"}) {
            QGuiApplication::clipboard()->setText(text);
            w.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            QTest::keyClick(&w, Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(env.urlsShown.value(1), QString("http://h/pasted.swf"));
        QCOMPARE(env.modes.size(), 2); // none for the words
        QVERIFY(w.statusBar()->currentMessage().contains("no http://"));
    }

    // A job added to the list downloads from the local server; the detail
    // panel shows a part's log; the finished file is listed in its category.
    void downloadPanel() {
        Env env;
        FaultHttpServer server;
        server.serve("/clip.swf", 96 * 1024);
        server.resource("/clip.swf").chunk = 4096;
        server.resource("/clip.swf").intervalMs = 15;
        frmMain &w = env.open();
        env.core.settings.PopMessage = 1;
        w.tvNa()->selectKey("NowDownLoad");
        const int index = env.core.DownJobs.add(env.download(server, "/clip.swf"));
        QSignalSpy finished(w.events(), &DownloadEvents::JobFinished);
        env.core.lists.AddJobToList(index);
        QCOMPARE(env.core.DownJobs[index].State, qint16(1));
        clickRow(w.lists()->lvNowDown(), 0);
        clickRow(w.downInfo()->tvNowDown(), 1);
        QTreeView *log = w.downInfo()->lvResponse(1);
        QVERIFY(log->isVisibleTo(&w));
        QTRY_VERIFY(texts(log, 1).contains("Send Request."));
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 10000);
        QCOMPARE(finished.first().at(1).toInt(), int(StateComplete));
        QCOMPARE(readFileBytes(env.core.DownJobs[index].SavePath),
                 server.resource("/clip.swf").body);
        QVERIFY(w.jobMessageWindow()->list()->item(0)->text().startsWith("Job complete.http://"));
        w.tvNa()->selectKey("101k");
        QCOMPARE(texts(w.lists()->lvHaveDown()), QStringList({"clip.swf"}));
    }

    // The Job menu starts the selected search; the movie it finds is a job.
    void searchPanel() {
        Env env;
        FaultHttpServer server;
        server.resource("/ok.htm").body =
            "<embed src=a.swf type=application/x-shockwave-flash></embed>";
        frmMain &w = env.open();
        w.tvNa()->selectKey("NowSearch");
        NewSearchValues v;
        v.manual = true;
        v.categoryKey = "101k";
        v.saveFolder = env.home.file("mydown");
        v.url = server.url("/ok.htm");
        QCOMPARE(AddNewSearch(env.core.SearchJobs, *w.searchSlot(), v), 1);
        clickRow(w.lists()->lvDownHtml(), 0, 2);
        emit w.menus()->menu("mnuJob")->aboutToShow();
        QVERIFY(env.action("mnuJob_Begin1")->isEnabled() &&
                !env.action("mnuJob_Begin")->isEnabled());
        env.action("mnuJob_Begin1")->trigger();
        QTRY_COMPARE(int(env.core.SearchJobs[1].State), 8);
        QCOMPARE(env.core.lists.lvDownHtml.row(0).iconKey, QString("Ok"));
        QCOMPARE(env.core.DownJobs[1].Url, server.url("/a.swf"));
    }

    // A browser hand-off with cookies: the job sends them, the database
    // never holds them. The drop window's entries stay in step.
    void handOffPanel() {
        Env env;
        FaultHttpServer server;
        server.serve("/m.swf", 90 * 1024);
        frmMain &w = env.open();
        QSignalSpy finished(w.events(), &DownloadEvents::JobFinished);
        env.drive = [](frmNewDown1 &d) { QTest::mouseClick(d.cmdNewJobOk, Qt::LeftButton); };
        const QString sep = "||**QTRVAN**||";
        w.receiveHandOff(HandOffMessage{"downmy_qtr_Url:=" + server.url("/m.swf") + sep +
                                            "my_qtr_Info:=A movie" + sep +
                                            "my_qtr_Ref:=http://page/" + sep,
                                        {},
                                        "sid=42;\r\nX-Evil: 1",
                                        "Browser/9.0\n"});
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
        QCOMPARE(env.core.DownJobs[1].Comment, QString("A movie"));
        for (const QByteArray &request : server.requests)
            QVERIFY2(
                request.contains("\r\nUser-Agent: Browser/9.0\r\nCookie: sid=42;X-Evil: 1\r\n"),
                request.constData());
        QVERIFY(
            SaveJobDatabase(env.core.tree, env.core.DownJobs, env.core.paths.JobDbPath, nullptr));
        QVERIFY(!readFileBytes(env.core.paths.JobDbPath).contains("sid=42"));
        QVERIFY(w.handOff()->topWindow()->dropWindow()->isVisible());
        env.action("popMain_Pop")->trigger();
        QVERIFY(!env.action("mnuView_Pop")->isChecked() && !w.handOff()->topWindow()->dropWindow());
    }

    // The player is made for the first movie only; the slider follows it;
    // Next skips what cannot be played.
    void playerPanel_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("movie");
        QTest::newRow("next") << 0 << 1 << "b.swf";
        QTest::newRow("next from the zip") << 2 << 3 << "d.swf";
        QTest::newRow("next onto a missing file") << 3 << 4 << "d.swf";
        QTest::newRow("next on the last row") << 5 << 5 << "";
    }
    void playerPanel() {
        QFETCH(int, start);
        QFETCH(QString, movie);
        Env env;
        // Finished jobs: movies of 120, 40 and 60 frames, a zip, a missing
        // file and a damaged one.
        const QList<QPair<QString, QByteArray>> files = {
            {"a.swf", ::movie(120)}, {"b.swf", ::movie(40)}, {"c.zip", "PK"},
            {"d.swf", ::movie(60)},  {"e.swf", {}},          {"f.swf", "FWS?"}};
        frmMain &w = env.open([&](CategoryStore &, JobTable &jobs) {
            for (const auto &f : files) {
                DownJobRecord r = job("Downloaded", 4, f.first);
                r.SavePath = env.home.file(f.first);
                if (!f.second.isEmpty()) writeFileBytes(r.SavePath, f.second);
                jobs.add(r);
            }
        });
        QTreeView *list = w.lists()->lvHaveDown();
        clickRow(list, 2); // the zip: no player yet
        QVERIFY(!env.player);
        clickRow(list, 0);
        QCOMPARE(env.player->Movie(), env.home.file("a.swf"));
        QSlider *slider = w.moviePanel()->slider();
        QCOMPARE(slider->maximum(), 120);
        env.player->frame = 37;
        w.moviePanel()->FollowTick();
        QCOMPARE(slider->value(), 37);
        QCOMPARE(w.statusPanel(2)->text(), QString("a.swf 37/120"));

        clickRow(list, start);
        const QString before = env.player->Movie();
        w.toolbars()->button(w.toolbars()->tbOper(), "Next")->trigger();
        QTEST(list->selectionModel()->selectedRows().value(0).row(), "row");
        QCOMPARE(env.player->Movie(), movie.isEmpty() ? before : env.home.file(movie));
    }

    // A finished movie offers the files it loads, fetched beside it.
    void moviesPanel() {
        Env env;
        FaultHttpServer server;
        SwfRecipe r;
        r.loads = {"data.xml", "level2.swf"};
        server.resource("/g/movie.swf").body = makeSwf(r);
        server.resource("/g/level2.swf").body = ::movie(1);
        server.resource("/g/data.xml").body = "<data/>";
        frmMain &w = env.open();
        const int index = env.core.DownJobs.add(env.download(server, "/g/movie.swf"));
        env.core.lists.AddJobToList(index);
        QTRY_VERIFY_WITH_TIMEOUT(w.movies()->depsDialog(), 10000);
        frmMovieDeps *dialog = w.movies()->depsDialog();
        QCOMPARE(dialog->lvDeps->topLevelItemCount(), 2);
        QCOMPARE(dialog->lvDeps->topLevelItem(0)->text(0), server.url("/g/data.xml"));
        QSignalSpy finished(w.events(), &DownloadEvents::JobFinished);
        dialog->cmdOk->click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 20000);
        QCOMPARE(readFileBytes(env.home.file("mydown/g/data.xml")), QByteArray("<data/>"));
        QCOMPARE(env.core.DownJobs[index + 1].Referer, server.url("/g/movie.swf"));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
