// A browser hand-off into the real new-job dialog and on to a download; the
// scan list's save dialog; the drop window's face and its menu entries.
#include "browser/HandOffFlow.h"
#include "browser/frmSaveSwfto.h"
#include "browser/frmTop.h"
#include "common/FaultHttpServer.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "dialogs/frmNewDown1.h"
#include "engine/DownloadEvents.h"
#include "kit/MsgBox.h"
#include "platform/RegistryStore.h"
#include "session/AppCore.h"
#include "ui/CategoryTreePanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainHandOff.h"
#include "ui/MainMenus.h"
#include "ui/MainTopWindow.h"
#include "ui/NewJobWindowEnv.h"
#include "ui/frmMain.h"
#include "ui/frmMainAdd.h"

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {
const QString kSep = QStringLiteral("||**QTRVAN**||");

// What one opened dialog showed: its mode, the URL box of the mode, the agent.
struct Shown {
    int mode = 0;
    QString url, agent;
};

// Hand-offs from the browser reach the real dialog: the flow's own rules are
// tested on HandOffFlow itself.
struct Env : NewJobWindowEnv {
    QVector<Shown> shown;

    frmMain &open(const QVector<DownJobRecord> &jobs = {}) {
        return openWindow(
            [jobs](CategoryStore &, JobTable &table) {
                for (const DownJobRecord &r : jobs)
                    table.add(r);
            },
            [this](frmNewDown1 &d) {
                QApplication::processEvents(); // the URL box takes PresetUrl as it gets the focus
                shown << Shown{d.mode(), (d.mode() == 2 ? d.txtSearchUrl : d.txtUrl)->text(),
                               d.cmbUserAgent1->currentText()};
            });
    }
    HandOffFlow &flow() { return w->handOff()->flow(); }
    frmTop *top() { return w->handOff()->topWindow()->dropWindow(); }
    QAction *action(const char *name) { return w->menus()->action(name); }
    void send(const QString &text, QVector<HandOffLink> links = {}, const QString &cookies = {},
              const QString &agent = {}) {
        w->receiveHandOff(HandOffMessage{text, links, cookies, agent});
    }
};

QString handOff(const QString &word, const QString &url, const QString &info, const QString &ref) {
    return word + "my_qtr_Url:=" + url + kSep + "my_qtr_Info:=" + info + kSep +
           "my_qtr_Ref:=" + ref + kSep;
}

void sendMouse(QWidget *target, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
               const QPoint &local) {
    QMouseEvent event(type, local, target->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}
} // namespace

class TestFrmMainHandOff : public QObject {
    Q_OBJECT
private slots:
    void handOffWithCookies_jobSendsThemAndForgetsThem();
    void scanList_opensSaveFlashOnceAndRestoresMainWindow();
    void browserMenuScan_opensSaveFlashAndKeepsMainWindow();
    void dropWindow_dropOpensDialogWithText();
    void dropWindow_doubleClick_data();
    void dropWindow_doubleClick();
    void dropWindow_rightClickAndDrag();
    void dropWindow_entriesInStepAndPlaceRemembered();
};

void TestFrmMainHandOff::handOffWithCookies_jobSendsThemAndForgetsThem() {
    Env env;
    FaultHttpServer server;
    FaultHttpServer::Resource movie;
    movie.body = FaultHttpServer::pattern(90 * 1024);
    server.setResource("/m.swf", movie);
    frmMain &w = env.open();
    QSignalSpy finished(w.events(), &DownloadEvents::JobFinished);
    env.drive = [](frmNewDown1 &d) {
        QVERIFY(d.Option2->isChecked()); // "Immediate"
        QTest::mouseClick(d.cmdNewJobOk, Qt::LeftButton);
    };
    // Line breaks in a header value would start a header of their own.
    env.send(handOff("down", server.url("/m.swf"), "A movie", "http://page/"), {},
             "sid=42;\r\nX-Evil: 1", "Browser/9.0\n");
    QTRY_COMPARE(env.shown.size(), 1);
    QCOMPARE(env.shown[0].agent, QString("Browser/9.0"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    const DownJobRecord &job = env.core.DownJobs[1];
    QCOMPARE(job.State, qint32(StateComplete));
    QCOMPARE(job.UserAgent, QString("Browser/9.0"));
    QCOMPARE(job.Referer, QString("http://page/"));
    QCOMPARE(job.Comment, QString("A movie"));
    QVERIFY(!server.requests.isEmpty());
    for (const QByteArray &request : server.requests)
        QVERIFY2(request.contains("\r\nUser-Agent: Browser/9.0\r\nCookie: sid=42;X-Evil: 1\r\n"
                                  "Host: "),
                 request.constData());
    // The job database never holds them.
    QVERIFY(SaveJobDatabase(env.core.tree, env.core.DownJobs, env.core.paths.JobDbPath, nullptr));
    const QByteArray saved = readFileBytes(env.core.paths.JobDbPath);
    QVERIFY(saved.contains("Browser/9.0"));
    QVERIFY(!saved.contains("sid=42"));
    // A job added afterwards without a hand-off sends none.
    env.drive = [&](frmNewDown1 &d) {
        d.txtUrl->setText(server.url("/m.swf"));
        d.txtRename->setText("again.swf");
        QTest::mouseClick(d.cmdNewJobOk, Qt::LeftButton);
    };
    const int before = int(server.requests.size());
    env.action("mnuJob_New")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 20000);
    for (int i = before; i < server.requests.size(); ++i)
        QVERIFY(!server.requests[i].contains("Cookie"));
}

// The list itself is frmSaveSwfto's (tst_frmsaveswfto): here the picker's
// scan opens it once and gives the main window back its state.
void TestFrmMainHandOff::scanList_opensSaveFlashOnceAndRestoresMainWindow() {
    Env env;
    frmMain &w = env.open();
    const auto scan = [&](const QStringList &movies, int savedState) {
        env.core.scan.FoundMovies = movies;
        env.core.scan.FoundCount = int(movies.size());
        env.core.SavedMainState = savedState;
        env.flow().Timer1()->start();
    };
    scan({"http://h/a.swf"}, 2);
    QTRY_VERIFY(w.findChild<frmSaveSwfto *>() && w.findChild<frmSaveSwfto *>()->isVisible());
    QTRY_VERIFY(w.isMaximized());
    scan({"http://h/c.swf"}, 0);
    QTRY_COMPARE(w.findChild<frmSaveSwfto *>()->ListView1->count(), 2);
    QCOMPARE(w.findChildren<frmSaveSwfto *>().size(), 1);
    QTRY_VERIFY(!w.isMaximized());
    QVERIFY(env.shown.isEmpty());
}

// The browser's "Scan this page" entry: no pick happened, so the main window
// keeps its state (not an old pick's); a page without movies opens nothing.
void TestFrmMainHandOff::browserMenuScan_opensSaveFlashAndKeepsMainWindow() {
    Env env;
    frmMain &w = env.open();
    w.showMaximized();
    env.core.SavedMainState = 0; // left by an earlier pick
    PageScanResult page{"http://h/dir/p.html", {{"EMBED", {}, "a.swf", ""}}};
    page.browser = "firefox";
    w.receivePageScan(PageScanResult{"http://h/p.html", {{"EMBED", {}, "a.html", "<embed>"}}});
    QVERIFY(w.statusBar()->currentMessage().contains("No Flash file"));
    QVERIFY(!env.flow().Timer1()->isActive());
    w.receivePageScan(page);
    frmSaveSwfto *dialog = nullptr;
    QTRY_VERIFY((dialog = w.findChild<frmSaveSwfto *>()) && dialog->isVisible());
    QCOMPARE(dialog->ListView1->item(0)->text(), QString("http://h/dir/a.swf"));
    QCOMPARE(env.core.scan.FoundBrowser, QString("firefox"));
    QVERIFY(w.isMaximized());
    QVERIFY(env.shown.isEmpty());
}

void TestFrmMainHandOff::dropWindow_dropOpensDialogWithText() {
    Env env;
    env.open();
    env.w->addCommands()->NewJobMode = 2; // the mode last set
    frmTop *top = env.top();
    QVERIFY(top && top->isVisible());
    const auto drop = [&](QMimeData *mime) {
        QDragEnterEvent enter({5, 5}, Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(top->Image1, &enter);
        QDropEvent dropped({5, 5}, Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(top->Image1, &dropped);
        return enter.isAccepted() && dropped.isAccepted();
    };
    QMimeData links;
    links.setUrls({QUrl("http://d.example/page.html")});
    QVERIFY(drop(&links));
    QTRY_COMPARE(env.shown.size(), 1);
    QCOMPARE(env.shown[0].mode, 2);
    QCOMPARE(env.shown[0].url, QString("http://d.example/page.html"));
    env.w->addCommands()->NewJobMode = 1;
    QMimeData text;
    text.setText("  http://d.example/m.swf\n");
    QVERIFY(drop(&text));
    QTRY_COMPARE(env.shown.size(), 2);
    QCOMPARE(env.shown[1].mode, 1);
    QCOMPARE(env.shown[1].url, QString("http://d.example/m.swf"));
    // Other formats are ignored.
    QMimeData picture;
    picture.setData("image/png", QByteArray("\x89PNG", 4));
    QVERIFY(!drop(&picture));
    QVERIFY(!env.w->handOff()->Timer1()->isActive());
}

void TestFrmMainHandOff::dropWindow_doubleClick_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("minimisedAfter");
    QTest::newRow("normal: minimised") << int(Qt::WindowNoState) << true;
    QTest::newRow("minimised: normal") << int(Qt::WindowMinimized) << false;
    QTest::newRow("maximised: normal, not minimised") << int(Qt::WindowMaximized) << false;
}

void TestFrmMainHandOff::dropWindow_doubleClick() {
    QFETCH(int, state);
    QFETCH(bool, minimisedAfter);
    Env env;
    frmMain &w = env.open();
    w.setWindowState(Qt::WindowStates(state));
    if (state == Qt::WindowMinimized) w.hide(); // minimised to the tray
    QTest::mouseDClick(env.top()->Image1, Qt::LeftButton);
    QTRY_COMPARE(w.isMinimized(), minimisedAfter);
    if (!minimisedAfter) {
        QCOMPARE(w.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized), Qt::WindowStates());
        QVERIFY(w.isVisible());
    }
}

void TestFrmMainHandOff::dropWindow_rightClickAndDrag() {
    DownJobRecord paused;
    paused.CategoryKey = "Downloaded";
    paused.State = StatePaused;
    paused.Url = "http://j/x.swf";
    paused.FileName = "x.swf";
    Env env;
    env.open({paused});
    env.w->tvNa()->selectKey("NowDownLoad");
    frmTop *top = env.top();
    QMenu *popMain = env.w->menus()->menu("popMain");
    QAction *beginAll = env.action("popMain_BeginAll");
    QAction *pauseAll = env.action("popMain_PauseAll");
    // Right click: popMain shows with both entries set from their twins.
    const auto rightClick = [&](QLabel *image) {
        beginAll->setEnabled(!beginAll->isEnabled());
        pauseAll->setEnabled(true);
        QTest::mousePress(image, Qt::RightButton, {}, {4, 4});
        const bool shown = QTest::qWaitFor([&] { return popMain->isVisible(); });
        popMain->hide();
        return shown && beginAll->isEnabled() == env.action("mnuJob_AllBegin")->isEnabled() &&
               pauseAll->isEnabled() == env.action("mnuJob_AllPause")->isEnabled();
    };
    // Nothing selected: both off, as in the Job menu.
    QVERIFY(rightClick(top->Image1));
    QVERIFY(!beginAll->isEnabled() && !pauseAll->isEnabled());
    // The paused job selected: "Start All" on, on the picker too.
    QTreeView *list = env.w->lists()->lvNowDown();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 1)).center());
    QVERIFY(rightClick(top->Image1));
    QVERIFY(beginAll->isEnabled() && !pauseAll->isEnabled());
    // Without X11 (offscreen here, as on Wayland) the picker is hidden and the
    // face's tool tip names the browser's scan entry instead.
    QVERIFY(top->Image2->isHidden());
    QVERIFY(top->Image1->toolTip().contains("\"Scan this page for Flash movies\""));
    // Dragging the face moves the window (here, without a window manager,
    // the window follows the pointer itself).
    const QPoint before = top->pos();
    sendMouse(top->Image1, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {10, 10});
    sendMouse(top->Image1, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {40, 25});
    sendMouse(top->Image1, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {40, 25});
    QCOMPARE(top->pos(), before + QPoint(30, 15));
    // Moving without the button held after the release does nothing.
    sendMouse(top->Image1, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, {60, 60});
    QCOMPARE(top->pos(), before + QPoint(30, 15));
}

void TestFrmMainHandOff::dropWindow_entriesInStepAndPlaceRemembered() {
    Env env;
    env.open();
    QAction *view = env.action("mnuView_Pop");
    QAction *pop = env.action("popMain_Pop");
    QVERIFY(view->isEnabled() && pop->isEnabled());
    QVERIFY(view->isChecked() && pop->isChecked());
    QVERIFY(env.top()->isVisible());
    QCOMPARE(env.top()->windowFlags() & (Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint),
             Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    env.top()->move(123, 77);
    pop->trigger();
    QVERIFY(!view->isChecked() && !pop->isChecked());
    QVERIFY(!env.top());
    view->trigger();
    QVERIFY(view->isChecked() && pop->isChecked());
    QVERIFY(env.top() && env.top()->isVisible());
    QCOMPARE(env.top()->pos(), QPoint(123, 77));
    env.top()->move(140, 90);
    // The next run finds it where it was, and the browser menu recorded.
    env.w.reset();
    env.open();
    QCOMPARE(env.top()->pos(), QPoint(140, 90));
    const RegistryStore store(RegistryStore::defaultPath(env.home.path()));
    const QString key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\"
                        "Using Moorquill to search";
    QCOMPARE(store.readString(key, ""), QCoreApplication::applicationDirPath() + "/mq_search.htm");
    QCOMPARE(store.readNumber(key, "Contexts"), std::optional<qint32>(243));
    // A place on no screen any more falls back to one that is.
    RegistryStore writable(RegistryStore::defaultPath(env.home.path()));
    env.w.reset();
    QVERIFY(writable.setNumber(MainTopWindow::kPlaceKey, "Left", -30000));
    env.open();
    QVERIFY(QGuiApplication::screenAt(env.top()->geometry().center()));
}

QTEST_MAIN(TestFrmMainHandOff)
#include "tst_frmmain_handoff.moc"
