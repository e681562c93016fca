#include "base/OleDate.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "common/TestRows.h"
#include "jobs/CategoryTree.h"
#include "jobs/ListTexts.h"
#include "jobs/MenuRules.h"
#include "session/AppCore.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
DownJobRecord record(const QString &category, int state, qint32 size = 0, qint32 received = 0) {
    DownJobRecord r;
    r.CategoryKey = category;
    r.State = state;
    r.TotalSize = size;
    r.Received = received;
    r.FileName = QStringLiteral("f.swf");
    r.SavePath = QStringLiteral("/down/f.swf");
    r.Url = QStringLiteral("http://h/f.swf");
    return r;
}

QStringList keysOf(const CategoryStore &tree) {
    QStringList keys;
    for (auto *node : tree.preOrder())
        keys << node->key;
    return keys;
}

QStringList column(const ListRowModel &list, int c) {
    QStringList out;
    for (int r = 0; r < list.count(); ++r)
        out << (c == 0 ? list.row(r).text : list.subItem(r, c));
    return out;
}

QStringList rowKeys(const ListRowModel &list) {
    QStringList out;
    for (int r = 0; r < list.count(); ++r)
        out << list.row(r).key;
    return out;
}

double at(int y, int m, int d, int h, int min) {
    return OleDate::fromDateTime(QDateTime(QDate(y, m, d), QTime(h, min)));
}
} // namespace

class TestJobLists : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void defaultTreeIsBuiltAndSaved() {
        TestHome home;
        AppCore core;
        core.paths = AppPaths::forFolder(home.path());
        core.paths.DownloadFolder = home.file("mydown") + '/';
        int saves = 0;
        JobDbIo io;
        io.save = [&](const CategoryStore &tree, const JobTable &, const QString &path, QString *) {
            ++saves;
            if (path != core.paths.JobDbPath) return false;
            return tree.contains("104k");
        };
        QVERIFY(BuildDefaultTree(core.tree, core.DownJobs, core.paths, io));
        QCOMPARE(saves, 1);
        QVERIFY(QDir(core.paths.DownloadFolder).exists());
        AddHistoryBranch(core.tree);
        QCOMPARE(keysOf(core.tree),
                 QStringList({"MoorQuill", "NowSearch", "NowDownLoad", "Downloaded", "101k", "102k",
                              "103k", "104k", "Recely", "History", "Today", "This Week",
                              "This Month", "All"}));
        QStringList texts;
        for (auto *node : core.tree.preOrder())
            texts << node->text;
        QCOMPARE(texts.mid(0, 9),
                 QStringList({"MoorQuill", "Searching", "Downloading", "Downloaded", "Cartoon",
                              "MTV", "Games", "Ad", "Delete"}));
        const auto node = [&](const char *key) {
            const CategoryStore::Node *n = core.tree.find(key);
            return QStringList{n->tag, n->image, n->selectedImage};
        };
        QCOMPARE(node("102k"), QStringList({core.paths.DownloadFolder, "5", "6"}));
        QCOMPARE(node("Recely").value(1), QString("7"));
        QCOMPARE(node("Today").mid(0, 2), QStringList({"", "History1"}));
    }

    void fixedTreeLoadsSavedCategories() {
        AppCore core;
        core.paths.DownloadFolder = "/d/";
        core.tree.addNode({}, "stale", "stale", "", "");
        JobDbIo io;
        io.load = [](CategoryStore &tree, JobTable &jobs, const QString &) {
            tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", "/c/");
            tree.addNode("101k", "101k1", "Old", "5", "6", "/c/old/");
            jobs.add(record("101k1", 4));
            DbLoadResult r;
            r.categories = 2;
            r.jobs = 1;
            return r;
        };
        const DbLoadResult r = BuildFixedTree(core.tree, core.DownJobs, core.paths, io);
        QCOMPARE(r.categories, 2);
        QCOMPARE(keysOf(core.tree), QStringList({"MoorQuill", "NowSearch", "NowDownLoad",
                                                 "Downloaded", "101k", "101k1", "Recely"}));
        QCOMPARE(core.tree.find("Recely")->tag, QString("/d/"));
        QCOMPARE(core.tree.find("101k1")->tag, QString("/c/old/"));
        QCOMPARE(core.DownJobs.DownCount(), 1);
    }

    void buildersNeedEnglish() {
        AppCore core;
        core.paths.AppLanguage = "Deutsch";
        bool saved = false;
        JobDbIo io;
        io.save = [&](const CategoryStore &, const JobTable &, const QString &, QString *) {
            return saved = true;
        };
        QVERIFY(!BuildDefaultTree(core.tree, core.DownJobs, core.paths, io));
        BuildFixedTree(core.tree, core.DownJobs, core.paths, io);
        QVERIFY(!saved);
        QCOMPARE(core.tree.rowCount(), 0);
    }

    void rowOfAJob_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("received");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("icon");
        row("fraction dropped", 2, 2048, 1023, "49%", "Pause");
        row("size unknown", 3, 0, 0, "0%", "Waitfor");
        row("almost done", 1, 1000, 999, "99%", "Start");
        row("all", 5, 7, 7, "100%", "Error");
        row("large", 1, 2000000000, 1999999999, "99%", "Start");
    }
    void rowOfAJob() {
        QFETCH(int, state);
        QFETCH(int, size);
        QFETCH(int, received);
        AppCore core;
        core.DownJobs.add(record({}, 1));
        DownJobRecord r = record({}, state, size, received);
        r.Parts = 3;
        r.Comment = "note";
        const int job = core.DownJobs.add(r);
        QVector<int> started;
        core.lists.startRule = [&](int j, int row) {
            started << j;
            QCOMPARE(core.lvNowDown.row(row).key, QString("2NowDown"));
        };
        core.lists.AddJobToList(job);
        const ListRowModel &list = core.lvNowDown;
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.row(0).key, QString("2NowDown"));
        QVERIFY(list.row(0).text.isEmpty());
        QTEST(list.row(0).iconKey, "icon");
        QFETCH(QString, percent);
        QCOMPARE(column(list, 1) + column(list, 2) + column(list, 3) + column(list, 4) +
                     column(list, 5) + column(list, 6) + column(list, 7),
                 QStringList({"f.swf", QString::number(size), QString::number(received), percent,
                              "3", "http://h/f.swf", "note"}));
        QCOMPARE(started, state == 3 ? QVector<int>{2} : QVector<int>{});
        QCOMPARE(ListRowModel::leadingNumber(list.row(0).key), 2);
    }

    void stateIconLeavesOtherStatesAlone() {
        AppCore core;
        core.DownJobs.add(record({}, 2));
        core.lists.AddJobToList(1);
        core.lists.SetStateIcon(0, 4);
        core.lists.SetStateIcon(0, 0);
        QCOMPARE(core.lvNowDown.row(0).iconKey, QString("Pause"));
        core.lists.SetStateIcon(5, 1); // no such row: ignored
        core.lists.SetStateIcon(0, 1);
        QCOMPARE(core.lvNowDown.row(0).iconKey, QString("Start"));
    }

    void completedListByNode_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("Downloaded") << "Downloaded" << QStringList{"1Key"};
        QTest::newRow("category") << "101k" << QStringList{"2Key"};
        QTest::newRow("sub-category is not the parent") << "101k1" << QStringList{"6Key"};
        QTest::newRow("Delete") << "Recely" << QStringList{"3Key"};
        QTest::newRow("History itself") << "History" << QStringList{};
        QTest::newRow("Today") << "Today" << QStringList{"1Key", "3Key", "6Key"};
        QTest::newRow("This Week") << "This Week" << QStringList{"1Key", "2Key", "3Key", "6Key"};
        QTest::newRow("All") << "All" << QStringList{"1Key", "2Key", "3Key", "6Key", "8Key"};
    }
    void completedListByNode() {
        QFETCH(QString, key);
        AppCore core;
        const double now = at(2026, 12, 5, 12, 0);
        auto add = [&](const QString &category, int state, double created) {
            DownJobRecord r = record(category, state);
            r.CreateTime = created;
            core.DownJobs.add(r);
        };
        add("Downloaded", 4, at(2026, 12, 5, 0, 1));    // 1 today
        add("101k", 4, at(2026, 12, 1, 10, 0));         // 2 four days ago
        add("Recely", 4, at(2026, 12, 5, 9, 0));        // 3 recycled today
        add("101k", 2, at(2026, 12, 5, 9, 0));          // 4 not complete
        add("Recely_Really", 4, at(2026, 12, 5, 9, 0)); // 5 deleted for good
        add("101k1", 4, at(2026, 12, 5, 11, 0));        // 6
        add("Downloaded", 1, at(2026, 12, 5, 11, 0));   // 7 running
        add("102k", 4, at(2000, 1, 1, 0, 0));           // 8 long ago
        core.tree.addNode({}, "History", "History", "", "");
        for (QString k : {"Today", "This Week", "This Month", "All"})
            core.tree.addNode("History", k, k, "", "");
        core.view.selectNode(key, now);
        QTEST(rowKeys(core.lists.lvHaveDown), "rows");
        for (int r = 0; r < core.lists.lvHaveDown.count(); ++r) {
            QCOMPARE(core.lists.lvHaveDown.row(r).iconKey, QString("Ok"));
            QCOMPARE(core.lists.lvHaveDown.row(r).tag, QString::number(ListRowModel::leadingNumber(
                                                           core.lists.lvHaveDown.row(r).key)));
        }
    }

    void todayCountsCalendarDays() {
        AppCore core;
        DownJobRecord late = record("x", 4);
        late.CreateTime = at(2026, 12, 4, 23, 59);
        core.DownJobs.add(late);
        DownJobRecord early = record("x", 4);
        early.CreateTime = at(2026, 12, 5, 0, 0);
        core.DownJobs.add(early);
        core.lists.FillCompletedList("Today", 1, at(2026, 12, 5, 0, 1));
        QCOMPARE(rowKeys(core.lists.lvHaveDown), QStringList{"2Key"});
        core.lists.FillCompletedList("This Week", 7, at(2026, 12, 10, 23, 59));
        QCOMPARE(rowKeys(core.lists.lvHaveDown), QStringList({"1Key", "2Key"}));
        core.lists.FillCompletedList("This Week", 7, at(2026, 12, 11, 0, 0));
        QCOMPARE(rowKeys(core.lists.lvHaveDown), QStringList{"2Key"});
    }

    void completedRowTexts() {
        AppCore core;
        DownJobRecord r = record("c", 4, 5000, 5000);
        r.SavePath = "movie.swf"; // no separator: the whole path is the name
        core.DownJobs.add(r);
        r.SavePath = "C:\\mydown\\win.swf";
        core.DownJobs.add(r);
        core.lists.FillCompletedList("c", 0, OleDate::now());
        const ListRowModel &list = core.lists.lvHaveDown;
        QCOMPARE(column(list, 0) + column(list, 1) + column(list, 2) + column(list, 3),
                 QStringList({"movie.swf", "win.swf", "5000", "5000", "movie.swf",
                              "C:\\mydown\\win.swf", "http://h/f.swf", "http://h/f.swf"}));
    }

    void completedInformation() {
        AppCore core;
        DownJobRecord r = record("c", 4, 4096, 4000);
        r.AverageSpeed = 1234.9f;
        r.CreateTime = at(2026, 3, 4, 10, 20);
        r.CompleteTime = at(2026, 3, 4, 10, 25);
        r.TotalTime = 5.0 / 1440; // five minutes
        r.Comment = "nice";
        core.DownJobs.add(r);
        core.lists.ShowCompletedInfo(1);
        const ListRowModel &info = core.lists.lvHaveDownInfo;
        QCOMPARE(column(info, 0),
                 QStringList({"Create Time", "Complete Time", "Total Time", "Average Speed",
                              "Total Size", "Complete Size", "Url", "Comment"}));
        QCOMPARE(column(info, 1),
                 QStringList({"3/4/26 10:20:00 AM", "3/4/26 10:25:00 AM", "00:05", "1234bps",
                              "4096", "4000", "http://h/f.swf", "nice"}));
        QCOMPARE(info.columns()[0].key, QString("Name"));
        core.lists.ShowCompletedInfo(99);
        QCOMPARE(info.count(), 0);
    }

    void runningInformation() {
        AppCore core;
        DownJobRecord r = record({}, 1, 10000, 2500);
        r.SavePath = "/down/a.swf";
        r.TotalTime = 90.0 / 86400; // 1.5 minutes
        r.CanResume = kTrue;
        core.DownJobs.add(r);
        core.lists.ShowRunningInfo(1);
        const ListRowModel &info = core.lists.lvResponse[0];
        QCOMPARE(column(info, 0),
                 QStringList({"Download Url", "Local File", "Create Time", "Time Elapsed",
                              "Data Received", "Data Left", "Speed", "Resume"}));
        QCOMPARE(column(info, 1).mid(3),
                 QStringList({"12:01:30 AM", "2500 Byte", "7500 Byte", "-", "True"}));
        QCOMPARE(column(info, 1).mid(0, 2), QStringList({"http://h/f.swf", "/down/a.swf"}));
        core.lists.liveSpeed = [](int) { return 2048.7; };
        core.DownJobs[1].Received = 3000;
        core.lists.RefreshRunningInfo(1);
        QCOMPARE(column(info, 1).mid(5, 2), QStringList({"7000 Byte", "2048bps"}));
    }

    void detailTreeAndSelection() {
        AppCore core;
        DownJobRecord r = record({}, 1, 100, 10);
        r.Parts = 3;
        core.DownJobs.add(r);
        core.DownJobs.add(record({}, 2, 100, 10));
        core.lists.slotOfJob = [](int job) { return job == 1 ? 4 : 0; };
        QSignalSpy detail(&core.view, &MainView::detailJobChanged);
        core.view.selectNowDownJob(1);
        QCOMPARE(core.view.SelectedSlot, 4);
        QCOMPARE(rowKeys(core.lists.tvNowDown), QStringList({"PicDraw", "1Jet", "2Jet", "3Jet"}));
        QCOMPARE(column(core.lists.tvNowDown, 0),
                 QStringList({"Chart", "Part 1", "Part 2", "Part 3"}));
        QCOMPARE(core.lists.tvNowDown.row(1).iconKey, QString("Jet"));
        QCOMPARE(core.lists.lvResponse[0].count(), 8);
        // A paused job runs in no slot: the panel is cleared.
        core.view.selectNowDownJob(2);
        QCOMPARE(core.view.SelectedJob, 2);
        QCOMPARE(core.view.SelectedSlot, 0);
        QCOMPARE(core.lists.tvNowDown.count(), 0);
        QCOMPARE(core.lists.lvResponse[0].count(), 0);
        QCOMPARE(detail.last().at(0).toInt(), 0);
        core.view.selectNowDownJob(0);
        QCOMPARE(core.view.SelectedJob, 0);
    }

    void eachSlotRemembersItsDetailPage() {
        AppCore core;
        DownJobRecord r = record({}, 1, 100, 10);
        r.Parts = 3;
        core.DownJobs.add(r);
        core.DownJobs.add(r);
        core.lists.slotOfJob = [](int job) { return job == 1 ? 4 : 5; };
        QSignalSpy page(&core.view, &MainView::detailPageChanged);
        core.view.selectNowDownJob(1);
        QCOMPARE(page.last().at(0).toInt(), 0); // the information list at first
        core.view.selectDetailNode("2Jet");
        core.view.selectNowDownJob(2);
        QCOMPARE(page.last().at(0).toInt(), 0);
        core.view.selectDetailNode("PicDraw");
        core.view.selectNowDownJob(1);
        QCOMPARE(page.last().at(0).toInt(), 2);
        core.view.selectNowDownJob(2);
        QCOMPARE(page.last().at(0).toInt(), -1);
    }

    void completedClickHandsMoviesToThePlayer_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("create");
        QTest::addColumn<bool>("played");
        QTest::newRow("movie") << "a.SWF" << true << true;
        QTest::newRow("movie removed") << "b.swf" << false << false;
        QTest::newRow("not a movie") << "c.swf.txt" << true << false;
    }
    void completedClickHandsMoviesToThePlayer() {
        QFETCH(QString, name);
        QFETCH(bool, create);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (create) QVERIFY(writeFileBytes(path, {}));
        AppCore core;
        DownJobRecord r = record("c", 4, 10, 10);
        r.SavePath = path;
        core.DownJobs.add(r);
        QSignalSpy movie(&core.view, &MainView::movieRequested);
        core.view.selectCompletedJob(1);
        QTEST(movie.count() == 1, "played");
        QCOMPARE(core.lists.lvHaveDownInfo.count(), 8); // the information is shown either way
    }

    void viewSwitching() {
        AppCore core;
        QSignalSpy panes(&core.view, &MainView::panesChanged);
        QSignalSpy upper(&core.view, &MainView::upperPaneWanted);
        QSignalSpy disabled(&core.view, &MainView::selectionToolsDisabled);
        const double now = OleDate::now();
        core.view.selectNode("MoorQuill", now);
        QCOMPARE(core.view.CurrentView, 0);
        QCOMPARE(panes.count(), 0);
        QCOMPARE(disabled.count(), 0);
        core.view.selectNode("NowDownLoad", now);
        core.view.selectNode("NowDownLoad", now);
        QCOMPARE(panes.count(), 1);
        QCOMPARE(upper.count(), 1);
        QCOMPARE(disabled.count(), 2);
        QCOMPARE(core.view.CurrentView, 2);
        core.view.selectNode("MoorQuill", now); // leaves everything as it was
        QCOMPARE(core.view.CurrentView, 2);
        core.view.selectNode("This Month", now);
        QCOMPARE(core.view.HistoryDays, 30);
        QCOMPARE(core.view.CurrentView, 3);
        core.view.selectNode("101k", now);
        QCOMPARE(core.view.HistoryDays, 0);
        QCOMPARE(panes.count(), 2);
        core.view.selectNode("NowSearch", now);
        QCOMPARE(panes.last().at(0).toInt(), 1);
        QCOMPARE(core.view.PreviousView, 1);
    }

    void jobMenuAndToolbar() {
        AppCore core;
        core.DownJobs.add(record({}, 2));
        core.DownJobs.add(record({}, 1));
        core.DownJobs.add(record({}, 5));
        SelectionFacts f;
        f.view = 2;
        f.nowDownRows = 3;
        f.selectedJob = 1;
        EnabledMap menus = jobMenuRules(core.DownJobs, f);
        QVERIFY(menus["mnuJob_Begin"] && menus["mnuJob_AllBegin"] && menus["mnuJob_AllPause"]);
        QVERIFY(!menus["mnuJob_Pause"] && !menus["mnuJob_Begin1"]);
        f.selectedJob = 3; // an error job: neither start nor pause
        menus = jobMenuRules(core.DownJobs, f);
        QVERIFY(!menus["mnuJob_Begin"] && !menus["mnuJob_Pause"]);
        f.hasSelection = true;
        menus.insert(editMenuRules(core.DownJobs, f));
        QVERIFY(menus["mnuEdit_Del"] && !menus["mnuEdit_OpenF"]);
        EnabledMap buttons = EnabledTbStates(2, menus);
        QVERIFY(buttons["AllStart"] && buttons["AllPause"] && !buttons["Start"]);
        QVERIFY(buttons["Delete"] && !buttons["Openfile"]);
        QVERIFY(!EnabledTbStates(3, menus).contains("Start")); // the finished view leaves them
        f.view = 1; // search view without a selected search
        QVERIFY(!jobMenuRules(core.DownJobs, f)["mnuJob_Begin"]);
        f.searchRows = 1;
        f.selectedSearch = 1;
        f.selectedSearchRunning = {false, true};
        menus = jobMenuRules(core.DownJobs, f);
        menus.insert(editMenuRules(core.DownJobs, f));
        QVERIFY(menus["mnuJob_Pause1"] && menus["mnuEdit_Del"]);
        f.selectedSearchRunning = {true, false}; // the scan stops at the running one
        QVERIFY(!editMenuRules(core.DownJobs, f)["mnuEdit_Del"]);
        QCOMPARE(toolbarCommand("Start", 1), QString("mnuJob_Begin1"));
        QCOMPARE(toolbarCommand("AllPause", 2), QString("mnuJob_AllPause"));
        QCOMPARE(toolbarCommand("Start", 3), QString());
        QCOMPARE(toolbarCommand("Homepage", 3), QString("mnuHelp_HomePage"));
        QCOMPARE(toolbarCommand("Nothing", 2), QString());
    }

    void generalDateForms_data() {
        QTest::addColumn<double>("days");
        QTest::addColumn<QString>("text");
        QTest::newRow("date and time") << at(2026, 1, 2, 15, 4) << "1/2/26 3:04:00 PM";
        QTest::newRow("midnight: the date alone") << at(2026, 1, 2, 0, 0) << "1/2/26";
        QTest::newRow("day 0: the time alone") << 0.5 << "12:00:00 PM";
        QTest::newRow("nothing") << 0.0 << "12:00:00 AM";
    }
    void generalDateForms() {
        QFETCH(double, days);
        QTEST(ListTexts::generalDate(days), "text");
        QCOMPARE(ListTexts::percent(5, -10), QString("-50%"));
    }
};

QTEST_GUILESS_MAIN(TestJobLists)
#include "tst_joblists.moc"
