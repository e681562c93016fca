// The editing commands of the main window: Edit menu enabling as it opens,
// delete to the recycle node and for good, delete in the list of jobs in
// progress, the tree's pop-up and the category delete of a fixed node.
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "core/AppCore.h"
#include "dialogs/DialogKit.h"
#include "dialogs/EditBoxes.h"
#include "dialogs/frmDelete.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "search/NewSearch.h"
#include "search/SearchSlot.h"
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
        EditBoxes::setHandler([](EditBoxes::Kind, const QString &text) {
            qWarning("box: %s", qPrintable(text));
            return false;
        });
    }
    void cleanupTestCase() {
        m_w.reset();
        EditBoxes::setHandler({});
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

    void outputFileToAsksBeforeOverwriting() {
        const QString out = m_home.file("out");
        QVERIFY(QDir().mkpath(out));
        QVERIFY(writeFileBytes(out + "/a.swf", "mine"));
        auto oldBrowse = DialogKit::setBrowseHandler([out](const QString &) { return out; });
        QStringList asked;
        bool answer = false;
        auto oldBoxes = EditBoxes::setHandler([&](EditBoxes::Kind, const QString &text) {
            asked << text;
            return answer;
        });
        action("mnuEdit_Output")->trigger();
        QCOMPARE(readFileBytes(out + "/a.swf"), QByteArray("mine"));
        answer = true;
        action("mnuEdit_Output")->trigger();
        QCOMPARE(readFileBytes(out + "/a.swf"), QByteArray("abc"));
        QCOMPARE(asked, QStringList(2, "File existed! Do you want to overwrite it?"));
        QCOMPARE(readFileBytes(m_file), QByteArray("abc"));
        EditBoxes::setHandler(oldBoxes);
        DialogKit::setBrowseHandler(oldBrowse);
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

    void deleteJobInProgress() {
        m_w->tvNa()->selectKey("NowDownLoad");
        QCOMPARE(m_core.lists.lvNowDown.count(), 1);
        selectRow(2, 0);
        openMenu("mnuEdit");
        QVERIFY(action("mnuEdit_Del")->isEnabled());
        onNextDialog<frmDelete>([](frmDelete *d) { d->cmdDelete->click(); });
        action("mnuEdit_Del")->trigger();
        QCOMPARE(m_core.lists.lvNowDown.count(), 0);
        QCOMPARE(saved().DownCount(), 0);
    }

    void deleteSearchJobsInViewOne() {
        NewSearchValues v;
        v.manual = true; // paused: nothing is fetched
        v.categoryKey = "101k";
        v.url = "http://127.0.0.1:9/a.htm";
        QCOMPARE(AddNewSearch(m_core, *m_w->searchSlot(), v), 1);
        QCOMPARE(AddNewSearch(m_core, *m_w->searchSlot(), v), 2);
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

    void fixedCategoryIsNotDeleted() {
        QStringList texts;
        auto old = EditBoxes::setHandler([&](EditBoxes::Kind kind, const QString &text) {
            texts << (kind == EditBoxes::Kind::Error ? "error: " : "") + text;
            return false;
        });
        m_w->tvNa()->selectKey("Downloaded");
        openMenu("mnuFile");
        QVERIFY(action("mnuFile_Class_D")->isEnabled());
        QTimer::singleShot(0, [] {
            QWidget *d = QApplication::activeModalWidget();
            QVERIFY(d && d->objectName() == "frmClassD");
            d->findChild<QPushButton *>("cmdOK")->click();
        });
        action("mnuFile_Class_D")->trigger();
        EditBoxes::setHandler(old);
        QCOMPARE(texts, QStringList{"error: Error!\nCan not Delete this Category!"});
        QVERIFY(m_core.tree.contains("Downloaded"));
    }
};

QTEST_MAIN(TestFrmMainEdit)
#include "tst_frmmain_edit.moc"
