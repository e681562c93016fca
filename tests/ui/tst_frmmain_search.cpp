#include "MainWindowFixture.h"
#include "common/FaultHttpServer.h"
#include "search/NewSearch.h"
#include "search/SearchSlot.h"
#include "ui/CategoryTreePanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"
#include "ui/MainSearchCommands.h"
#include "ui/MainToolbars.h"
#include "ui/frmMain.h"

#include <QMenu>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>
#include <memory>

// The search list of the main window driven through the Job menu and the
// toolbar against the local page server (the slot's own rules are tested on
// clsDownHtml), and a saved page processed from the File menu.

class TestFrmMainSearch : public QObject {
    Q_OBJECT
private slots:
    void commandsThroughMenuAndToolbar() {
        MainWindowFixture env;
        TestHome &home = env.home;
        AppCore &core = env.core;
        FaultHttpServer server;
        FaultHttpServer::Resource stall;
        stall.body = "<html>";
        stall.stall = true;
        server.setResource("/s.htm", stall);
        FaultHttpServer::Resource ok;
        ok.body = "<embed src=a.swf type=application/x-shockwave-flash></embed>";
        server.setResource("/ok.htm", ok);
        frmMain &w = env.open(MainWindowFixture::cartoon());
        SearchSlot *slot = w.searchSlot();
        MainMenus *menus = w.menus();
        MainToolbars *tb = w.toolbars();
        auto state = [&](int i) { return int(core.SearchJobs[i].State); };
        auto icon = [&](int row) { return core.lists.lvDownHtml.row(row).iconKey; };
        auto clickTool = [&](const char *key) {
            QWidget *button = tb->tbMain()->widgetForAction(tb->button(tb->tbMain(), key));
            QTest::mouseClick(button, Qt::LeftButton);
        };
        w.tvNa()->selectKey("NowSearch");
        NewSearchValues v;
        v.manual = true;
        v.categoryKey = "101k";
        v.saveFolder = home.file("mydown");
        v.url = server.url("/s.htm");
        QCOMPARE(AddNewSearch(core.SearchJobs, *slot, v), 1);
        v.url = server.url("/ok.htm");
        QCOMPARE(AddNewSearch(core.SearchJobs, *slot, v), 2);
        QCOMPARE(icon(0), QString("Pause"));
        QTreeView *list = w.lists()->lvDownHtml();

        // The Job menu starts the selected search; its log follows in lvHaveDownHtml.
        clickRow(list, 0, 2);
        QCOMPARE(core.view.SelectedSearchIndex, 1);
        QMenu *job = menus->menu("mnuJob");
        job->popup(w.mapToGlobal(QPoint(10, 10)));
        QTRY_VERIFY(job->isVisible());
        QVERIFY(menus->action("mnuJob_Begin1")->isEnabled());
        QVERIFY(!menus->action("mnuJob_Begin")->isEnabled());
        job->hide();
        menus->action("mnuJob_Begin1")->trigger();
        QVERIFY(slot->Busy());
        QCOMPARE(state(1), 1);
        QTRY_COMPARE(core.lists.lvDownHtml.subItem(0, 1), QString("Receive Data"));
        QStringList shown;
        for (int r = 0; r < core.lists.lvHaveDownHtml.count(); ++r)
            shown << core.lists.lvHaveDownHtml.subItem(r, 1);
        QVERIFY2(shown.contains("Send Request.") && shown.contains("HTTP/1.1 200 OK"),
                 qPrintable(shown.join('|')));

        // A second search waits for the slot.
        clickRow(list, 1, 2);
        menus->action("mnuJob_Begin1")->trigger();
        QCOMPARE(state(2), 3);
        QCOMPARE(icon(1), QString("Waitfor"));

        // The toolbar in view 1: pausing hands the slot to the waiting search.
        clickRow(list, 0, 2);
        QVERIFY(tb->button(tb->tbMain(), "Pause")->isEnabled());
        clickTool("Pause");
        QCOMPARE(state(1), 2);
        QCOMPARE(icon(0), QString("Pause"));
        QTRY_COMPARE(state(2), 8);
        QCOMPARE(icon(1), QString("Ok"));
        QCOMPARE(core.DownJobs[1].Url, server.url("/a.swf"));

        // Process Web Page File: the address is suggested from <base href>.
        const QString file = home.file("saved.htm");
        writeFileBytes(file, "<base href=\"http://h/x/\"><embed src=m.swf flash></embed>");
        QString suggested;
        w.searchCommands()->chooseWebPageFile = [&] { return file; };
        w.searchCommands()->askPageAddress = [&](const QString &s) {
            suggested = s;
            return s;
        };
        QVERIFY(menus->action("mnuFile_FXPage")->isEnabled());
        menus->action("mnuFile_FXPage")->trigger();
        QCOMPARE(suggested, QString("http://h/x/"));
        const DownJobRecord &made = core.DownJobs[core.DownJobs.DownCount()];
        QCOMPARE(made.Url, QString("http://h/x/m.swf"));
        QCOMPARE(made.CategoryKey, QString("101k"));
        QVERIFY(made.State == StateWaiting ||
                made.State == StateRunning); // listed, so it may start
    }
};

QTEST_MAIN(TestFrmMainSearch)
#include "tst_frmmain_search.moc"
