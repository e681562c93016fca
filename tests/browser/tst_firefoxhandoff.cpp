// End to end under Xvfb with Firefox: the extension, loaded as a temporary
// add-on into a fresh profile, hands a link and a page scan to the program
// through moorquill-host, chosen from a real right click's menu.
#include "FirefoxDesktop.h"
#include "browser/BrowserScanChannel.h"
#include "browser/HandOffServer.h"
#include "browser/NativeHostManifests.h"
#include "browser/frmSaveSwfto.h"
#include "common/FaultHttpServer.h"
#include "common/HelperProcess.h"
#include "common/TestHome.h"
#include "dialogs/frmNewDown1.h"
#include "session/AppCore.h"
#include "ui/MainHandOff.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace ChromiumDesktop;

namespace {

// A link over the top 250 pixels, two movies below it. Firefox's toolbars
// take about 90 pixels of the 800-pixel window at 0,0.
QByteArray testPage() {
    return R"(<!doctype html><html><head><title>Firefox page</title><style>
body { margin: 0; font: 20px sans-serif }
a, div { position: absolute; left: 0; width: 600px; display: block }
</style></head><body>
<a href="/movies/one.swf" style="top: 0; height: 250px">First movie</a>
<div style="top: 300px; height: 400px">plain
<object type="application/x-shockwave-flash" width="120" height="60">
<param name="movie" value="m/two.swf"></object>
<embed src="/m/three.swf" type="application/x-shockwave-flash" width="120" height="60">
</div></body></html>)";
}
const int Toolbars = 90;

} // namespace

class tst_FirefoxHandOff : public QObject {
    Q_OBJECT
    QTemporaryDir m_home, m_runtime, m_profile, m_extension;
    TestHome m_appHome;
    AppCore m_core;
    std::unique_ptr<frmMain> m_window; // the running program, never shown
    HandOffServer *m_server = nullptr;
    FaultHttpServer m_web;
    FirefoxDesktop::Browser m_firefox;
    QString m_browserWindow;
    int m_idleWindows = 0; // visible windows without a menu
    QTimer m_dialogWatch;
    QString m_dialogUrl, m_dialogRef, m_dialogComment; // the new-job dialog when it opened
    int m_dialogMode = 0;

    frmSaveSwfto *saveDialog() const { return m_window->findChild<frmSaveSwfto *>(); }

    // Right click at y (below the toolbars), then the last entry ("MoorQuill")
    // and its sub-menu: true once that shows, its first entry chosen.
    bool openSubMenu(int y) {
        QDeadlineTimer deadline(10000);
        while (visibleWindows() != m_idleWindows && !deadline.hasExpired()) // menus fading out
            QTest::qWait(50);
        xdotool({"windowfocus", "--sync", m_browserWindow});
        xdotool({"mousemove", "100", QString::number(Toolbars + y), "click", "3"});
        while (visibleWindows() <= m_idleWindows && !deadline.hasExpired())
            QTest::qWait(50);
        const int menu = visibleWindows();
        xdotool({"key", "Up", "Right"});
        while (visibleWindows() <= menu && !deadline.hasExpired())
            QTest::qWait(50);
        if (!deadline.hasExpired()) return true;
        logWindows();
        return false;
    }

private slots:
    void initTestCase() {
        if (HelperProcess::find("firefox-esr").isEmpty() ||
            HelperProcess::find("xdotool").isEmpty())
            QSKIP("firefox-esr or xdotool is not installed");
        QVERIFY(QFileInfo(hostProgram()).isExecutable());
        // Firefox finds the host manifest in the test's home.
        qputenv("HOME", QFile::encodeName(m_home.path()));
        QVERIFY(NativeHostManifests::writeInto(m_home.filePath(".mozilla/native-messaging-hosts"),
                                               NativeHostManifests::firefox(hostProgram())));
        m_server = new HandOffServer;
        QString error;
        QVERIFY2(m_server->listen(useRuntimeFolder(m_runtime.path()), &error), qPrintable(error));
        m_core.paths = AppPaths::forFolder(m_appHome.path());
        m_window = std::make_unique<frmMain>(m_core);
        connect(m_server, &HandOffServer::handOff, m_window.get(), &frmMain::receiveHandOff);
        m_window->handOff()->scanChannel()->listenTo(m_server);
        connect(m_server, &HandOffServer::pageScanned, m_window.get(), &frmMain::receivePageScan);
        // The new-job dialog is modal: noted and cancelled.
        m_dialogWatch.setInterval(50);
        connect(&m_dialogWatch, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<frmNewDown1 *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) return;
            m_dialogMode = dialog->mode();
            m_dialogUrl = dialog->txtUrl->text();
            m_dialogRef = dialog->txtRef->text();
            m_dialogComment = dialog->txtComment->text();
            dialog->reject();
        });
        m_dialogWatch.start();

        const QByteArray page = testPage();
        FaultHttpServer::Resource resource;
        resource.raw =
            "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
            QByteArray::number(page.size()) + "\r\nConnection: close\r\n\r\n" + page;
        m_web.setResource(QStringLiteral("/page.html"), resource);

        QVERIFY(FirefoxDesktop::makeExtension(m_extension.path()));
        QVERIFY2(
            m_firefox.start(m_profile.path(), m_extension.path(), m_web.url("/page.html"), &error),
            qPrintable(error));
        m_browserWindow = waitForWindow(QStringLiteral("Firefox page"), 30000);
        QVERIFY2(!m_browserWindow.isEmpty(), "Firefox did not show the test page");
        m_idleWindows = visibleWindows();
    }

    void cleanupTestCase() {
        m_firefox.stop(); // first: its hosts talk to the server
        m_dialogWatch.stop();
        delete m_server;
        m_window.reset();
    }

    // A right click on the link, "MoorQuill", "Using Moorquill to download".
    void downloadEntry_opensNewJobDialog() {
        QSignalSpy handOffs(m_server, &HandOffServer::handOff);
        QVERIFY(openSubMenu(125));
        QVERIFY(xdotool({"key", "Return"}));
        QVERIFY(handOffs.wait(15000));
        const auto got = handOffs.at(0).at(0).value<HandOffMessage>();
        const QString separator = QStringLiteral("||**QTRVAN**||");
        QCOMPARE(got.text, "downmy_qtr_Url:=" + m_web.url("/movies/one.swf") + separator +
                               "my_qtr_Info:=First movie" + separator +
                               "my_qtr_Ref:=" + m_web.url("/page.html") + separator);
        QVERIFY2(got.userAgent.contains("Firefox/"), qPrintable(got.userAgent));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogMode, 1, 5000);
        QCOMPARE(m_dialogUrl, m_web.url("/movies/one.swf"));
        QCOMPARE(m_dialogRef, m_web.url("/page.html"));
        QCOMPARE(m_dialogComment, QStringLiteral("First movie"));
    }

    // A right click on the page, "MoorQuill", "Scan this page for Flash
    // movies": the save dialog lists both movies in the page's order.
    void scanEntry_listsMovies() {
        QVERIFY(openSubMenu(500));
        QVERIFY(xdotool({"key", "Down", "Return"})); // after "Using Moorquill to search"
        QTRY_VERIFY_WITH_TIMEOUT(saveDialog() && saveDialog()->isVisible(), 15000);
        QStringList rows;
        for (int i = 0; i < saveDialog()->ListView1->count(); ++i)
            rows << saveDialog()->ListView1->item(i)->text();
        QCOMPARE(rows, (QStringList{m_web.url("/m/two.swf"), m_web.url("/m/three.swf")}));
    }
};

QTEST_MAIN(tst_FirefoxHandOff)
#include "tst_firefoxhandoff.moc"
