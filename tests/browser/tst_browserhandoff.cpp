// End to end under Xvfb: Chromium with the unpacked extension, a right click
// on a local test page and a menu entry chosen with the keyboard reach the
// program through moorquill-host and the local socket.
#include "ChromiumDesktop.h"
#include "browser/HandOffServer.h"
#include "browser/HandOffSocket.h"
#include "browser/NativeHostManifests.h"
#include "common/FaultHttpServer.h"
#include "common/HelperProcess.h"
#include "common/TestHome.h"
#include "dialogs/frmNewDown1.h"
#include "session/AppCore.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace ChromiumDesktop;

namespace {

// Three blocks of 250 pixels: a movie link, a page link and plain page. The
// window sits at 0,0 and its toolbars take about 90 pixels, so a click in the
// middle of a block hits it whatever their exact height.
const int Block = 250;
const int Toolbars = 90;

QByteArray testPage() {
    return R"(<!doctype html><html><head><title>E2E page</title><style>
body { margin: 0; font: 20px sans-serif }
a, div { position: absolute; left: 0; width: 600px; height: 250px; display: block }
</style><script>document.cookie = "session=e2e; path=/";</script></head><body>
<a href="/movies/one.swf" style="top: 0">First movie</a>
<a href="/sub/" style="top: 250px">Sub page</a>
<div style="top: 500px">plain</div></body></html>)";
}

// What the new-job dialog showed when it opened (closed at once by the test).
struct DialogSeen {
    bool opened = false;
    int mode = 0;
    QString url, ref, comment, searchUrl;
    int links = 0;
};

} // namespace

class tst_BrowserHandOff : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void handOffs_data();
    void handOffs();
    void unreachableProgramIsReported();

private:
    bool openMenu(int x, int y, int windows);
    void watchDialogs();
    QTemporaryDir m_runtime, m_profile;
    TestHome m_home;
    AppCore m_core;
    std::unique_ptr<frmMain> m_window; // the running program, never shown
    QTimer m_dialogWatch;
    DialogSeen m_dialog;
    FaultHttpServer m_web;
    HandOffServer *m_server = nullptr;
    Browser m_chromium;
    int m_baseWindows = 0;
    QString m_browserWindow;
};

void tst_BrowserHandOff::initTestCase() {
    if (HelperProcess::find("chromium").isEmpty() || HelperProcess::find("xdotool").isEmpty())
        QSKIP("chromium or xdotool is not installed");
    QVERIFY(QFileInfo(hostProgram()).isExecutable());
    m_server = new HandOffServer;
    QString error;
    QVERIFY2(m_server->listen(useRuntimeFolder(m_runtime.path()), &error), qPrintable(error));
    m_core.paths = AppPaths::forFolder(m_home.path());
    m_window = std::make_unique<frmMain>(m_core);
    connect(m_server, &HandOffServer::handOff, m_window.get(), &frmMain::receiveHandOff);
    watchDialogs();

    const QByteArray page = testPage();
    FaultHttpServer::Resource resource;
    resource.raw = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                   QByteArray::number(page.size()) + "\r\nConnection: close\r\n\r\n" + page;
    m_web.setResource(QStringLiteral("/page.html"), resource);
    QVERIFY(m_web.isListening()); // on 127.0.0.1 from its construction

    // A fresh profile finds host manifests in its own NativeMessagingHosts.
    QVERIFY(NativeHostManifests::writeInto(m_profile.filePath("NativeMessagingHosts"),
                                           NativeHostManifests::chromium(hostProgram())));
    QVERIFY(m_chromium.start(m_profile.path(), m_web.url(QStringLiteral("/page.html"))));
    m_browserWindow = waitForWindow(QStringLiteral("E2E page"), 30000);
    QVERIFY2(!m_browserWindow.isEmpty(), "Chromium did not show the test page");
    m_baseWindows = visibleWindows();
    // The extension adds its entries shortly after the page shows: right
    // click a link until the "MoorQuill" sub-menu (two entries) opens.
    QDeadlineTimer ready(20000);
    bool menus = false;
    while (!menus && !ready.hasExpired()) {
        if (openMenu(100, Toolbars + Block / 2, m_baseWindows + 1)) {
            xdotool({"key", "m"});
            menus = waitForWindows(m_baseWindows + 2, 1500);
        }
        xdotool({"key", "Escape", "Escape"});
        waitForWindows(m_baseWindows, 3000);
    }
    QVERIFY2(menus, "the extension's entries did not appear");
}

void tst_BrowserHandOff::cleanupTestCase() {
    m_chromium.stop(); // first: its hosts talk to the server
    m_dialogWatch.stop();
    delete m_server;
    m_window.reset();
}

// The dialog is modal: a timer keeps looking for it, notes what it shows and
// cancels it, so that the next right click reaches the browser.
void tst_BrowserHandOff::watchDialogs() {
    m_dialogWatch.setInterval(50);
    connect(&m_dialogWatch, &QTimer::timeout, this, [this] {
        auto *dialog = qobject_cast<frmNewDown1 *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        m_dialog.opened = true;
        m_dialog.mode = dialog->mode();
        m_dialog.url = dialog->txtUrl->text();
        m_dialog.ref = dialog->txtRef->text();
        m_dialog.comment = dialog->txtComment->text();
        m_dialog.searchUrl = dialog->txtSearchUrl->text();
        m_dialog.links = dialog->ListView1->topLevelItemCount();
        dialog->reject();
    });
    m_dialogWatch.start();
}

bool tst_BrowserHandOff::openMenu(int x, int y, int windows) {
    // The new-job dialog took the keyboard focus; give it back to the browser.
    return ChromiumDesktop::openMenu(m_browserWindow, x, y, windows);
}

void tst_BrowserHandOff::handOffs_data() {
    QTest::addColumn<int>("block");        // where to right click
    QTest::addColumn<QStringList>("keys"); // how to choose the entry
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("info");
    QTest::addColumn<int>("links");
    // On a link both entries match: they sit in the "MoorQuill" sub-menu.
    QTest::newRow("download a link") << 0 << QStringList{"m", "Down", "Return"} << "down"
                                     << "/movies/one.swf"
                                     << "First movie" << 0;
    QTest::newRow("search a link") << 1 << QStringList{"m", "Down", "Down", "Return"} << "search"
                                   << "/sub/"
                                   << "Sub page" << 0;
    // On the page the search entry and the scan entry match: the "U..." one.
    QTest::newRow("all on the page") << 2 << QStringList{"m", "u"} << "all"
                                     << "/page.html"
                                     << "E2E page" << 2;
}

void tst_BrowserHandOff::handOffs() {
    QFETCH(int, block);
    QFETCH(QStringList, keys);
    QFETCH(QString, command);
    QFETCH(QString, path);
    QFETCH(QString, info);
    QFETCH(int, links);
    QSignalSpy handOffs(m_server, &HandOffServer::handOff);
    auto *text1 = m_window->findChild<QLineEdit *>(QStringLiteral("Text1"));
    QVERIFY(text1);
    QSignalSpy text1Changes(text1, &QLineEdit::textChanged);
    m_dialog = DialogSeen();
    QVERIFY(openMenu(100, Toolbars + block * Block + Block / 2, m_baseWindows + 1));
    if (keys.first() == "m") {
        xdotool({"key", "m"});
        QVERIFY(waitForWindows(m_baseWindows + 2, 5000));
        keys.removeFirst();
    }
    QVERIFY(xdotool(QStringList{"key"} + keys));
    QVERIFY(handOffs.wait(15000));
    const auto got = handOffs.at(0).at(0).value<HandOffMessage>();
    const QString separator = QStringLiteral("||**QTRVAN**||");
    QCOMPARE(got.text, command + "my_qtr_Url:=" + m_web.url(path) + separator + "my_qtr_Info:=" +
                           info + separator + "my_qtr_Ref:=" + m_web.url("/page.html") + separator);
    QCOMPARE(got.links.size(), links);
    if (links) {
        QCOMPARE(got.links[0].url, m_web.url("/movies/one.swf"));
        QCOMPARE(got.links[0].text, QStringLiteral("First movie"));
        QCOMPARE(got.links[1].url, m_web.url("/sub/"));
    }
    QCOMPARE(got.cookies, QStringLiteral("session=e2e"));
    QVERIFY2(got.userAgent.contains("Chrome/"), qPrintable(got.userAgent));
    // The program's main window takes the text into Text1...
    QTRY_VERIFY(!text1Changes.isEmpty());
    QCOMPARE(text1Changes.first().first().toString(), got.text);
    // ...and opens the new-job dialog filled with it (mode 4 lists the links).
    QTRY_VERIFY_WITH_TIMEOUT(m_dialog.opened, 5000);
    const int mode = command == "down" ? 1 : command == "search" ? 2 : 4;
    QCOMPARE(m_dialog.mode, mode);
    if (mode == 1) QCOMPARE(m_dialog.url, m_web.url(path));
    if (mode == 2) QCOMPARE(m_dialog.searchUrl, m_web.url(path));
    QCOMPARE(m_dialog.ref, m_web.url("/page.html"));
    QCOMPARE(m_dialog.comment, info);
    QCOMPARE(m_dialog.links, links);
    QVERIFY(waitForWindows(m_baseWindows, 5000)); // the menu and the dialog are gone
}

// A visible window that lies wholly beside or below the browser's 1000x800:
// Chromium's notification popups sit in the screen's corner.
static bool popupShown() {
    QByteArray ids;
    if (!xdotool({"search", "--onlyvisible", "--name", ""}, &ids)) return false;
    static const QRegularExpression place("Position: (\\d+),(\\d+).*Geometry: (\\d+)x(\\d+)",
                                          QRegularExpression::DotMatchesEverythingOption);
    for (const QByteArray &id : ids.split('\n')) {
        QByteArray out;
        if (id.isEmpty() || !xdotool({"getwindowgeometry", QString::fromLatin1(id)}, &out))
            continue;
        const QRegularExpressionMatch m = place.match(QString::fromLatin1(out));
        if (!m.hasMatch() || m.captured(3).toInt() >= 1280) continue; // the root window
        if (m.captured(1).toInt() >= 1000 || m.captured(2).toInt() >= 800) return true;
    }
    return false;
}

// No program listens and none can be started: the host answers with an
// error and the extension shows a notification.
void tst_BrowserHandOff::unreachableProgramIsReported() {
    delete m_server;
    m_server = nullptr;
    QVERIFY(!popupShown());
    QVERIFY(openMenu(100, Toolbars + 2 * Block + Block / 2, m_baseWindows + 1));
    xdotool({"key", "m"});
    QVERIFY(waitForWindows(m_baseWindows + 2, 5000));
    QVERIFY(xdotool({"key", "u"}));
    QDeadlineTimer deadline(15000);
    while (!popupShown() && !deadline.hasExpired())
        QTest::qWait(100);
    QVERIFY2(popupShown(), "no notification");
}

QTEST_MAIN(tst_BrowserHandOff)
#include "tst_browserhandoff.moc"
