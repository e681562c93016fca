// Hand-offs from the browser and the drop window, through Text1 and Timer1
// into the real new-job dialog; the drop window's face and its menu entries.
#include "browser/HandOffFlow.h"
#include "browser/frmSaveSwfto.h"
#include "browser/frmTop.h"
#include "common/FaultHttpServer.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "core/AppCore.h"
#include "dialogs/frmNewDown1.h"
#include "engine/DownloadEvents.h"
#include "platform/RegistryStore.h"
#include "ui/CategoryTreePanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainHandOff.h"
#include "ui/MainMenus.h"
#include "ui/MainTopWindow.h"
#include "ui/MsgBox.h"
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

// What one opened dialog showed.
struct Shown {
    int mode = 0;
    QString url; // the URL box of the mode
    QString referer, comment, agent;
    QStringList links; // ListView1: "url|text"
    bool mainMinimised = false;
    bool topLoaded = false;
};

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
                Shown s;
                s.mode = d.mode();
                s.url = (d.mode() == 2 ? d.txtSearchUrl : d.txtUrl)->text();
                s.referer = d.txtRef->text();
                s.comment = d.txtComment->text();
                s.agent = d.cmbUserAgent1->currentText();
                for (int i = 0; i < d.ListView1->topLevelItemCount(); ++i)
                    s.links << d.ListView1->topLevelItem(i)->text(0) + '|' +
                                   d.ListView1->topLevelItem(i)->text(1);
                s.mainMinimised = w->isMinimized();
                s.topLoaded = top() != nullptr;
                shown << s;
            });
    }
    HandOffFlow &flow() { return w->handOff()->flow(); }
    frmTop *top() { return w->handOff()->topWindow()->window(); }
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
    void handOff_opensDialogOnSecondTick_data();
    void handOff_opensDialogOnSecondTick();
    void handOffWithCookies_jobSendsThemAndForgetsThem();
    void handOffWhileDialogOpen_waitsForItToClose();
    void minimisedMainWindow_togglesDropWindowFirst();
    void waitingScanList_showsSaveDialogFirst();
    void scanList_opensSaveFlashOnceAndRestoresMainWindow();
    void browserMenuScan_opensSaveFlashAndKeepsMainWindow();
    void dropWindow_dropOpensDialogWithText();
    void dropWindow_doubleClick_data();
    void dropWindow_doubleClick();
    void dropWindow_rightClickAndDrag();
    void dropWindow_entriesInStepAndPlaceRemembered();
};

void TestFrmMainHandOff::handOff_opensDialogOnSecondTick_data() {
    QTest::addColumn<int>("startMode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVector<HandOffLink>>("links");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("referer");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QStringList>("listed");
    const QString u = "http://a.example/m.swf", r = "http://a.example/page.html";
    QTest::newRow("down") << 2 << handOff("down", u, "A movie", r) << QVector<HandOffLink>{} << 1
                          << u << r << "A movie" << QStringList{};
    QTest::newRow("Search") << 1 << handOff("Search", r, "", "") << QVector<HandOffLink>{} << 2 << r
                            << ""
                            << "" << QStringList{};
    QTest::newRow("all with the page's links")
        << 1 << handOff("all", "", "", r)
        << QVector<HandOffLink>{{"http://a.example/1.swf", "One"}, {"http://a.example/2", ""}} << 4
        << "" << r << "" << QStringList{"http://a.example/1.swf|One", "http://a.example/2|"};
    QTest::newRow("no command word: mode unchanged, nothing filled")
        << 2 << handOff("fetch", u, "x", r) << QVector<HandOffLink>{} << 2 << ""
        << ""
        << "" << QStringList{};
}

void TestFrmMainHandOff::handOff_opensDialogOnSecondTick() {
    QFETCH(int, startMode);
    QFETCH(QString, text);
    QFETCH(QVector<HandOffLink>, links);
    Env env;
    frmMain &w = env.open();
    env.w->addCommands()->NewJobMode = startMode;
    QTimer *timer = w.handOff()->Timer1();
    QCOMPARE(timer->interval(), 100);
    QVERIFY(!timer->isActive());
    QSignalSpy ticks(timer, &QTimer::timeout);
    QStringList text1AtOpen;
    env.drive = [&](frmNewDown1 &d) {
        text1AtOpen << w.handOff()->Text1()->text() << QString::number(ticks.size());
        d.reject();
    };
    env.send(text, links);
    QCOMPARE(w.handOff()->Text1()->text(), text);
    QVERIFY(timer->isActive());
    QTRY_COMPARE(env.shown.size(), 1);
    // Cleared on the first tick; the second opens the dialog (its own tick
    // is recorded once the dialog has closed).
    QCOMPARE(text1AtOpen, (QStringList{"", "1"}));
    QCOMPARE(ticks.size(), 2);
    const Shown &s = env.shown[0];
    QTEST(s.mode, "mode");
    QTEST(s.url, "url");
    QTEST(s.referer, "referer");
    QTEST(s.comment, "comment");
    QTEST(s.links, "listed");
    QTEST(w.addCommands()->NewJobMode, "mode");
    QVERIFY(!timer->isActive());
    QVERIFY(!s.mainMinimised && s.topLoaded);
}

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

void TestFrmMainHandOff::handOffWhileDialogOpen_waitsForItToClose() {
    Env env;
    frmMain &w = env.open();
    HandOffFlow &flow = env.flow();
    QSignalSpy refused(&flow, &HandOffFlow::refused);
    env.drive = [&](frmNewDown1 &d) {
        if (env.shown.size() == 1) {
            // Opened from the menu: hand-offs arrive meanwhile.
            env.send(handOff("down", "http://q/1.swf", "first", ""));
            env.send(handOff("search", "http://q/page", "", ""));
            for (int i = 0; i < HandOffFlow::kQueueLimit; ++i)
                env.send(handOff("down", "http://q/more.swf", "", ""));
            // A text put straight into Text1 waits as well.
            w.handOff()->Text1()->setText(handOff("down", "http://q/direct.swf", "", ""));
            // Timer1 takes the text, then finds the dialog open and waits.
            QSignalSpy ticks(w.handOff()->Timer1(), &QTimer::timeout);
            QTRY_COMPARE(ticks.size(), 2);
            QVERIFY(!w.handOff()->Timer1()->isActive());
            QCOMPARE(env.shown.size(), 1);
        }
        d.reject();
    };
    env.action("mnuJob_New")->trigger();
    QCOMPARE(flow.queued(), HandOffFlow::kQueueLimit);
    QCOMPARE(refused.size(), 2);
    env.drive = [](frmNewDown1 &d) { d.reject(); };
    QTRY_COMPARE(env.shown.size(), 4);
    // The text put into Text1 first, then the queue in arrival order.
    QCOMPARE(env.shown[1].url, QString("http://q/direct.swf"));
    QCOMPARE(env.shown[2].url, QString("http://q/1.swf"));
    QCOMPARE(env.shown[2].comment, QString("first"));
    QCOMPARE(env.shown[3].mode, 2);
    QCOMPARE(env.shown[3].url, QString("http://q/page"));
    QTRY_COMPARE_WITH_TIMEOUT(env.shown.size(), 2 + HandOffFlow::kQueueLimit, 15000);
    QCOMPARE(flow.queued(), 0);
}

void TestFrmMainHandOff::minimisedMainWindow_togglesDropWindowFirst() {
    Env env;
    frmMain &w = env.open();
    QVERIFY(env.top());
    w.showMinimized();
    QTRY_VERIFY(w.isMinimized());
    env.send(handOff("down", "http://m/x.swf", "", ""));
    QTRY_COMPARE(env.shown.size(), 1);
    QVERIFY(env.shown[0].mainMinimised);
    QVERIFY(!env.shown[0].topLoaded); // toggled off before the dialog showed
    QVERIFY(!env.action("mnuView_Pop")->isChecked() && !env.action("popMain_Pop")->isChecked());
    QCOMPARE(env.shown[0].url, QString("http://m/x.swf"));
    env.send(handOff("down", "http://m/y.swf", "", ""));
    QTRY_COMPARE(env.shown.size(), 2);
    QVERIFY(env.shown[1].topLoaded); // and on again: it toggles
}

void TestFrmMainHandOff::waitingScanList_showsSaveDialogFirst() {
    Env env;
    env.open();
    HandOffFlow &flow = env.flow();
    int saveDialogs = 0;
    flow.showSaveDialog = [&] {
        ++saveDialogs;
        env.core.FoundCount = 0; // the save dialog takes the list
    };
    // A scan's list waits: the save dialog first, the hand-off right after.
    env.core.FoundCount = 2;
    env.send(handOff("down", "http://s/x.swf", "", ""));
    QTRY_COMPARE(env.shown.size(), 1);
    QCOMPARE(saveDialogs, 1);
    QCOMPARE(env.shown[0].url, QString("http://s/x.swf"));
    // The picker's hand-over alone shows only the save dialog.
    env.core.FoundCount = 1;
    QSignalSpy ticks(flow.Timer1(), &QTimer::timeout);
    flow.Timer1()->start();
    QTRY_COMPARE(saveDialogs, 2);
    QTRY_COMPARE(ticks.size(), 1);
    QVERIFY(!flow.Timer1()->isActive());
    QCOMPARE(env.shown.size(), 1);
}

void TestFrmMainHandOff::scanList_opensSaveFlashOnceAndRestoresMainWindow() {
    Env env;
    frmMain &w = env.open();
    const auto scan = [&](const QStringList &movies, int savedState) {
        env.core.FoundMovies = movies;
        env.core.FoundCount = int(movies.size());
        env.core.SavedMainState = savedState;
        env.flow().Timer1()->start();
    };
    scan({"http://h/a.swf", "http://h/b.swf"}, 2);
    frmSaveSwfto *dialog = nullptr;
    QTRY_VERIFY((dialog = w.findChild<frmSaveSwfto *>()) && dialog->isVisible());
    QCOMPARE(dialog->ListView1->count(), 2);
    QCOMPARE(env.core.FoundCount, 0);
    QVERIFY(env.core.FoundMovies.isEmpty());
    QTRY_VERIFY(w.isMaximized());
    // A second scan goes into the open dialog, without repeating an address.
    scan({"http://h/b.swf", "http://h/c.swf"}, 0);
    QTRY_COMPARE(dialog->ListView1->count(), 3);
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
    QCOMPARE(env.core.FoundBrowser, QString("firefox"));
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
