// The main window's ways of adding jobs: the toolbar into the real dialog,
// paste and drop, the download list's export and import, the shortcuts and
// the entries kept disabled.
#include "common/TestData.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "dialogs/frmNewDown1.h"
#include "engine/DownloadEvents.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"
#include "ui/CategoryTreePanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"
#include "ui/MainToolbars.h"
#include "ui/NewJobWindowEnv.h"
#include "ui/frmMain.h"
#include "ui/frmMainAdd.h"

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {
struct Env : NewJobWindowEnv {
    QVector<int> modes;    // the modes the dialog opened in
    QStringList urlsShown; // what the URL box showed as it opened

    frmMain &open(const QVector<DownJobRecord> &jobs = {}) {
        const QString folder = home.file("mydown") + '/';
        return openWindow(
            [jobs, folder](CategoryStore &tree, JobTable &table) {
                tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", folder);
                tree.addNode("101k", "101k101k", "Short", "5", "6", folder + "short/");
                tree.addNode("Downloaded", "102k", "Music", "5", "6", folder);
                for (const DownJobRecord &r : jobs)
                    table.add(r);
            },
            [this](frmNewDown1 &d) {
                modes << d.mode();
                urlsShown << d.txtUrl->text();
            });
    }
    QAction *action(const char *name) { return w->menus()->action(name); }
    // Shows and hides a menu, as a user opening it before choosing an entry.
    void showMenu(const char *name) {
        QMenu *menu = w->menus()->menu(name);
        menu->popup({0, 0});
        menu->hide();
    }
};

} // namespace

class TestFrmMainAdd : public QObject {
    Q_OBJECT
private slots:
    void toolbarNewAddsAJob();
    void pasteAndDrop_openModeOneWithUrl();
    void shortcutsAndDisabledEntries();
    void exportList_ownJobsOfSelectedNode();
    void importList_opensLinksPage();
};

// The download itself is followed from a hand-off (tst_frmmain_handoff).
void TestFrmMainAdd::toolbarNewAddsAJob() {
    Env env;
    frmMain &w = env.open();
    env.drive = [](frmNewDown1 &d) {
        QTest::keyClicks(d.txtUrl, "http://127.0.0.1:9/films/movie.swf?session=7");
        QCOMPARE(d.txtRename->text(), QString("movie.swf"));
        d.Option3->setChecked(true); // "Manual"
        QTest::mouseClick(d.cmdNewJobOk, Qt::LeftButton);
    };
    env.w->toolbars()->button(w.toolbars()->tbMain(), "AddNewJob")->trigger();
    QCOMPARE(env.modes, QVector<int>{1});
    QCOMPARE(env.core.DownJobs.DownCount(), qint16(1));
    QCOMPARE(env.core.lvNowDown.count(), 1);
    QVERIFY(w.statusBar()->currentMessage().contains("1 download job added"));
}

void TestFrmMainAdd::pasteAndDrop_openModeOneWithUrl() {
    Env env;
    frmMain &w = env.open();
    // Ctrl+V with a URL on the clipboard, as keys on the active window.
    QGuiApplication::clipboard()->setText("  http://h/pasted.swf\n");
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(env.modes, QVector<int>{1});
    QCOMPARE(env.urlsShown.value(0), QString("http://h/pasted.swf"));
    // No URL on the clipboard: a word in the status bar, no dialog.
    QGuiApplication::clipboard()->setText("just words");
    QTest::keyClick(&w, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(env.modes.size(), 1);
    QVERIFY(w.statusBar()->currentMessage().contains("no http://"));

    // A link dragged from a browser: text/uri-list first, then plain text.
    const auto drop = [&](QMimeData *mime) {
        const QPoint at = w.rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(&w, &enter);
        const bool accepted = enter.isAccepted();
        QDropEvent dropped(at, Qt::CopyAction, mime, Qt::LeftButton, {});
        if (accepted) QApplication::sendEvent(&w, &dropped);
        return accepted;
    };
    QMimeData links;
    links.setUrls({QUrl("file:///etc/passwd"), QUrl("https://h/dropped.swf")});
    QVERIFY(drop(&links));
    QTRY_COMPARE(env.modes.size(), 2);
    QCOMPARE(env.urlsShown.value(1), QString("https://h/dropped.swf"));
    QMimeData text;
    text.setText("http://h/text.swf");
    QVERIFY(drop(&text));
    QTRY_COMPARE(env.urlsShown.value(2), QString("http://h/text.swf"));
    QMimeData other;
    other.setText("no link here");
    QVERIFY(!drop(&other));
}

void TestFrmMainAdd::shortcutsAndDisabledEntries() {
    Env env;
    frmMain &w = env.open({testJob("101k", StateComplete, "http://h/a.swf")});
    const std::pair<const char *, QKeySequence> keys[] = {
        {"mnuJob_New", QKeySequence("Ctrl+N")},
        {"mnuJob_NewS", QKeySequence("Ctrl+Shift+N")},
        {"mnuJob_New1", QKeySequence("Ctrl+B")},
        {"mnuEdit_Del", QKeySequence("Del")},
        {"mnuEdit_SelectAll", QKeySequence("Ctrl+A")},
        {"mnuEdit_Find", QKeySequence("Ctrl+F")},
        {"mnuEdit_FindNext", QKeySequence("F3")},
        {"mnuOption1", QKeySequence("Ctrl+,")},
        {"mnuFile_Exit", QKeySequence("Ctrl+Q")}};
    for (const auto &key : keys)
        QCOMPARE(env.action(key.first)->shortcut(), key.second);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(env.modes, QVector<int>{3});
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(env.modes, QVector<int>({3, 1}));

    // The main window hands page searches to its search list; mode 2 is open.
    QToolBar *bar = w.toolbars()->tbMain();
    QVERIFY(env.action("mnuJob_NewS")->isEnabled());
    QVERIFY(w.toolbars()->button(bar, "AddSearch")->isEnabled());
    w.addCommands()->setAddNewSearch(nullptr);
    QVERIFY(!env.action("mnuJob_NewS")->isEnabled());
    QVERIFY(!w.toolbars()->button(bar, "AddSearch")->isEnabled());
    int searches = 0;
    w.addCommands()->setAddNewSearch([&](const NewSearchValues &) { ++searches; });
    QVERIFY(env.action("mnuJob_NewS")->isEnabled());
    env.drive = [](frmNewDown1 &d) {
        QTest::keyClicks(d.txtSearchUrl, "http://h/page.htm");
        QTest::mouseClick(d.cmdNewJobOk, Qt::LeftButton);
    };
    w.toolbars()->button(bar, "AddSearch")->trigger();
    QCOMPARE(env.modes.last(), 2);
    QCOMPARE(searches, 1);

    // Every command is built: the rules alone decide.
    w.tvNa()->selectKey("101k");
    w.lists()->listOfView(3)->selectAll();
    w.EnabledTb();
    env.showMenu("mnuEdit");
    for (const char *name : {"Openfile", "Delete", "Comment"})
        QVERIFY2(w.toolbars()->button(bar, name)->isEnabled(), name);
    for (const char *name : {"mnuEdit_Del", "mnuEdit_Comment"})
        QVERIFY2(env.action(name)->isEnabled(), name);
}

void TestFrmMainAdd::exportList_ownJobsOfSelectedNode() {
    Env env;
    frmMain &w =
        env.open({testJob("101k", StateComplete, "http://h/1.swf"),
                  testJob("101k101k", StateComplete, "http://h/sub.swf"),
                  testJob("101k", StateComplete, QString::fromUtf8("http://h/\xC3\xA9 2.swf")),
                  testJob("102k", StateComplete, "http://h/other.swf"),
                  testJob("101k", StateComplete, "http://h/3.swf")});
    QStringList starts;
    QString answer = env.home.file("out.lst");
    w.addCommands()->askSaveFile = [&](const QString &title, const QString &start,
                                       const QString &filters) {
        starts << start;
        if (title != "Save File" ||
            filters != "Download list (*.lst);;Text File (*.txt);;All Files (*.*)")
            return QString();
        return answer;
    };
    w.tvNa()->selectKey("101k");
    // The tree's pop-up offers the entry in this view.
    env.showMenu("popTree");
    QVERIFY(env.action("popTree_ExportList")->isEnabled());
    env.action("popTree_ExportList")->trigger();
    QCOMPARE(readFileBytes(answer),
             QByteArray("http://h/1.swf\r\nhttp://h/\xE9 2.swf\r\nhttp://h/3.swf\r\n"));
    // The next export starts from the path chosen before; a node whose jobs
    // all sit in its sub-categories gives an empty file.
    w.tvNa()->selectKey("Downloaded");
    env.showMenu("mnuFile");
    env.action("mnuFile_Export")->trigger();
    QCOMPARE(starts, QStringList({"", answer}));
    QCOMPARE(readFileBytes(answer), QByteArray());
    // A file that cannot be written is named in a message.
    answer = env.home.file("no/such/folder/x.lst");
    env.action("mnuFile_Export")->trigger();
    QVERIFY(env.messages.value(0).contains(answer));
}

void TestFrmMainAdd::importList_opensLinksPage() {
    Env env;
    frmMain &w = env.open();
    const QString list = env.home.file("in.txt");
    QVERIFY(writeFileBytes(list,
                           "\xEF\xBB\xBFhttp://h/a.swf\rjunk\r\rhttps://h/b.swf\rhttp://h/c.swf"));
    w.addCommands()->askOpenFile = [&](const QString &, const QString &, const QString &) {
        return list;
    };
    w.tvNa()->selectKey("102k");
    int rows = -1;
    QString category, note;
    env.drive = [&](frmNewDown1 &d) {
        rows = d.ListView1->topLevelItemCount();
        category = d.cmbClass->currentData().toString();
        note = d.lblSelectNote->text();
        d.ListView1->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
        QTest::mouseClick(d.cmdNewJobOk, Qt::LeftButton);
    };
    env.showMenu("mnuFile");
    env.action("mnuFile_Import")->trigger();
    QCOMPARE(env.modes, QVector<int>{4});
    QCOMPARE(rows, 3);
    QCOMPARE(category, QString("102k"));
    QVERIFY2(note.contains("2 lines were skipped"), qPrintable(note));
    QCOMPARE(env.core.DownJobs.DownCount(), qint16(2));
    QCOMPARE(env.core.DownJobs[2].Url, QString("https://h/b.swf"));
    QCOMPARE(env.core.DownJobs[2].CategoryKey, QString("102k"));
    // A file without URLs gives a message and no dialog.
    QVERIFY(writeFileBytes(list, "nothing\r\n"));
    env.action("mnuFile_Import")->trigger();
    QCOMPARE(env.modes.size(), 1);
    QVERIFY(env.messages.value(0).contains("holds no http://"));
}

QTEST_MAIN(TestFrmMainAdd)
#include "tst_frmmain_add.moc"
