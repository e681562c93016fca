// End to end under Xvfb with Firefox: the extension, loaded as a temporary
// add-on into a fresh profile, hands a link and a page scan to the program
// through moorquill-host, chosen from a real right click's menu.
#include "FirefoxDesktop.h"
#include "browser/NativeHostManifests.h"
#include "common/FaultHttpServer.h"
#include "common/HelperProcess.h"

#include <QtTest>

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
    Program m_program;
    FaultHttpServer m_web;
    FirefoxDesktop::Browser m_firefox;
    QString m_browserWindow;
    int m_idleWindows = 0; // visible windows without a menu

    // Right click at y (below the toolbars), then the last entry ("MoorQuill")
    // and its sub-menu: true once that shows, its first entry chosen.
    bool openSubMenu(int y) {
        QDeadlineTimer deadline(10000);
        const auto until = [&](auto done) {
            return QTest::qWaitFor(done, deadline.remainingTime());
        };
        until([this] { return visibleWindows() == m_idleWindows; }); // menus fading out
        xdotool({"windowfocus", "--sync", m_browserWindow});
        xdotool({"mousemove", "100", QString::number(Toolbars + y), "click", "3"});
        if (until([this] { return visibleWindows() > m_idleWindows; })) {
            const int menu = visibleWindows();
            xdotool({"key", "Up", "Right"});
            if (until([menu] { return visibleWindows() > menu; })) return true;
        }
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
        QString error;
        QVERIFY2(m_program.start(m_runtime.path(), &error), qPrintable(error));

        m_web.resource("/page.html").raw =
            "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
            QByteArray::number(testPage().size()) + "\r\nConnection: close\r\n\r\n" + testPage();

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
    }

    // A right click on the link, "MoorQuill", "Using Moorquill to download".
    void downloadEntry_opensNewJobDialog() {
        QSignalSpy handOffs(m_program.server.get(), &HandOffServer::handOff);
        QVERIFY(openSubMenu(125));
        QVERIFY(xdotool({"key", "Return"}));
        QVERIFY(handOffs.wait(15000));
        const auto got = handOffs.at(0).at(0).value<HandOffMessage>();
        const QString separator = QStringLiteral("||**QTRVAN**||");
        QCOMPARE(got.text, "downmy_qtr_Url:=" + m_web.url("/movies/one.swf") + separator +
                               "my_qtr_Info:=First movie" + separator +
                               "my_qtr_Ref:=" + m_web.url("/page.html") + separator);
        QVERIFY2(got.userAgent.contains("Firefox/"), qPrintable(got.userAgent));
        QTRY_COMPARE_WITH_TIMEOUT(m_program.dialog.mode, 1, 5000);
        QCOMPARE(m_program.dialog.url, m_web.url("/movies/one.swf"));
        QCOMPARE(m_program.dialog.ref, m_web.url("/page.html"));
        QCOMPARE(m_program.dialog.comment, QStringLiteral("First movie"));
    }

    // A right click on the page, "MoorQuill", "Scan this page for Flash
    // movies": the save dialog lists both movies in the page's order.
    void scanEntry_listsMovies() {
        QVERIFY(openSubMenu(500));
        QVERIFY(xdotool({"key", "Down", "Return"})); // after "Using Moorquill to search"
        QTRY_VERIFY_WITH_TIMEOUT(m_program.saveDialog() && m_program.saveDialog()->isVisible(),
                                 15000);
        QCOMPARE(m_program.saveRows(),
                 (QStringList{m_web.url("/m/two.swf"), m_web.url("/m/three.swf")}));
    }
};

QTEST_MAIN(tst_FirefoxHandOff)
#include "tst_firefoxhandoff.moc"
