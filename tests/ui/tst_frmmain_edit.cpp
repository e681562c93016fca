// The editing commands of the main window: Edit menu enabling as it opens,
// delete to the recycle node and for good, and of search jobs, the tree's
// pop-up. The rules themselves are CategoryEdit's and JobEdit's (tst_jobedit).
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "dialogs/frmDelete.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "search/NewSearch.h"
#include "search/SearchSlot.h"
#include "session/AppCore.h"
#include "ui/CategoryTreePanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

namespace {
// Runs `answer` on the next modal dialog that opens.
template <class Dialog> void onNextDialog(std::function<void(Dialog *)> answer) {
    QTimer::singleShot(0, [answer] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(dialog);
    });
}
} // namespace

class TestFrmMainEdit : public QObject {
    Q_OBJECT
    TestHome m_home;
    AppCore m_core;
    std::unique_ptr<frmMain> m_w;
    QString m_file;

    QAction *action(const char *name) { return m_w->menus()->action(name); }
    void openMenu(const char *name) { emit m_w->menus()->menu(name)->aboutToShow(); }
    void selectRow(int view, int row) {
        QTreeView *list = m_w->lists()->listOfView(view);
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect |
                                           QItemSelectionModel::Rows);
        list->setCurrentIndex(list->model()->index(row, 0));
    }
    JobTable saved() {
        CategoryStore tree;
        JobTable jobs;
        AddFixedNodes(tree, {});
        LoadJobDatabase(tree, jobs, m_core.paths.JobDbPath);
        return jobs;
    }

private slots:
    void initTestCase() {
        m_core.paths = AppPaths::forFolder(m_home.path());
        m_core.paths.DownloadFolder = m_home.file("mydown") + '/';
        m_file = m_home.file("a.swf");
        QVERIFY(writeFileBytes(m_file, "abc"));
        CategoryStore tree;
        AddFixedNodes(tree, m_core.paths.DownloadFolder);
        tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", m_core.paths.DownloadFolder);
        JobTable jobs;
        DownJobRecord done;
        done.CategoryKey = "101k";
        done.State = StateComplete;
        done.SavePath = m_file;
        done.Url = "http://h/a.swf";
        jobs.add(done);
        DownJobRecord paused = done;
        paused.State = StatePaused;
        paused.SavePath = m_home.file("p.swf");
        jobs.add(paused);
        QVERIFY(SaveJobDatabase(tree, jobs, m_core.paths.JobDbPath));
        m_w = std::make_unique<frmMain>(m_core);
        m_w->load();
        MsgBox::setHandler([](MsgBox::Kind, const QString &text) {
            qWarning("box: %s", qPrintable(text));
            return false;
        });
    }
    void cleanupTestCase() {
        m_w.reset();
        MsgBox::setHandler({});
    }

    void editMenuFollowsSelection() {
        m_w->tvNa()->selectKey("101k");
        QCOMPARE(m_core.lists.lvHaveDown.count(), 1);
        openMenu("mnuEdit");
        QVERIFY(action("mnuEdit_Del")->isEnabled());
        QVERIFY(!action("mnuEdit_Rename")->isEnabled());
        selectRow(3, 0);
        openMenu("mnuEdit");
        for (const char *name : {"mnuEdit_MoveTo", "mnuEdit_Comment", "mnuEdit_Output",
                                 "mnuEdit_Del", "mnuEdit_Rename", "mnuEdit_Find"})
            QVERIFY2(action(name)->isEnabled(), name);
        emit m_w->menus()->menu("popTree")->aboutToShow();
        QVERIFY(action("popTree_AddPf")->isEnabled());
        QVERIFY(action("mnuFile_AddNew")->isEnabled());
    }

    void deleteToRecycleThenForGood() {
        action("mnuEdit_Del")->trigger();
        QCOMPARE(m_core.lists.lvHaveDown.count(), 0);
        QCOMPARE(saved()[1].CategoryKey, QString("Recely"));

        m_w->tvNa()->selectKey("Recely");
        selectRow(3, 0);
        openMenu("mnuEdit");
        onNextDialog<frmDelete>([](frmDelete *d) {
            d->Check2->setChecked(true);
            d->cmdDelete->click();
        });
        action("mnuEdit_Del")->trigger();
        QVERIFY(!QFile::exists(m_file));
        QCOMPARE(m_core.lists.lvHaveDown.count(), 0);
        QCOMPARE(saved().DownCount(), 1); // only the paused job is left
    }

    void deleteSearchJobsInViewOne() {
        NewSearchValues v;
        v.manual = true; // paused: nothing is fetched
        v.categoryKey = "101k";
        v.url = "http://127.0.0.1:9/a.htm";
        QCOMPARE(AddNewSearch(m_core.SearchJobs, *m_w->searchSlot(), v), 1);
        QCOMPARE(AddNewSearch(m_core.SearchJobs, *m_w->searchSlot(), v), 2);
        m_w->tvNa()->selectKey("NowSearch");
        QTreeView *list = m_w->lists()->lvDownHtml();
        list->selectAll();
        openMenu("mnuEdit");
        QVERIFY(action("mnuEdit_Del")->isEnabled());
        action("mnuEdit_Del")->trigger();
        QCOMPARE(m_core.lists.lvDownHtml.count(), 0);
        QCOMPARE(int(m_core.SearchJobs[1].State), 0);
        QCOMPARE(int(m_core.SearchJobs[2].State), 0);
    }
};

QTEST_MAIN(TestFrmMainEdit)
#include "tst_frmmain_edit.moc"
