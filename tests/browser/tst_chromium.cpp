// End to end under Xvfb: headed Chromium with the unpacked extension and a
// local test page, the program reached through moorquill-host and its local
// socket. A right click's menu entry hands the page over (the new-job dialog
// opens filled); the drop window's picker, dropped on the page, and the
// "Scan this page for Flash movies" entry list its movies; the save dialog
// copies the one the page fetched out of Chromium's own disk cache. With no
// program listening the extension shows a notification.
#include "ChromiumDesktop.h"
#include "browser/BrowserCache.h"
#include "browser/CacheSave.h"
#include "browser/NativeHostManifests.h"
#include "browser/frmTop.h"
#include "common/FaultHttpServer.h"
#include "common/HelperProcess.h"
#include "common/TestFiles.h"
#include "kit/MsgBox.h"
#include "ui/MainTopWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace ChromiumDesktop;

namespace {

// Two links and a plain block of 250 pixels each; the window sits at 0,0 and
// its toolbars take about 90 pixels, so a click in the middle of a block hits
// it whatever their exact height. The OBJECT names its movie in a PARAM,
// relative to the page's folder, and the page's script fetches it so that it
// lands in the disk cache; the EMBED's movie is fetched by nobody.
const int Block = 250;
const int Toolbars = 90;

QByteArray testPage() {
    return R"(<!doctype html><html><head><title>E2E page</title><style>
body { margin: 0; font: 20px sans-serif }
a, div { position: absolute; left: 0; width: 600px; height: 250px; display: block }
</style><script>document.cookie = "session=e2e; path=/";</script></head><body>
<a href="/movies/one.swf" style="top: 0">First movie</a>
<a href="/sub/" style="top: 250px">Sub page</a>
<div style="top: 500px">plain
<object type="application/x-shockwave-flash" width="120" height="60">
<param name="movie" value="m/one.swf"></object>
<embed src="/m/two.swf" type="application/x-shockwave-flash" width="120" height="60"></div>
<script>fetch("m/one.swf").then((r) => r.arrayBuffer());</script>
</body></html>)";
}

QByteArray response(const QByteArray &type, const QByteArray &body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + type +
           "\r\nCache-Control: max-age=3600\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

// A visible window that lies wholly beside or below the browser's 1000x800:
// Chromium's notification popups sit in the screen's corner; the program's
// own windows are hidden first.
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

class tst_Chromium : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("needs an X11 display");
        if (HelperProcess::find("chromium").isEmpty() || HelperProcess::find("xdotool").isEmpty())
            QSKIP("chromium or xdotool is not installed");
        QVERIFY(QFileInfo(hostProgram()).isExecutable());
        // Chromium's profile and cache, and the program's cache lookup, live in
        // the test's own home.
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(".config").toLocal8Bit());
        qputenv("XDG_CACHE_HOME", m_home.filePath(".cache").toLocal8Bit());
        QString error;
        QVERIFY2(m_program.start(m_runtime.path(), &error), qPrintable(error));
        m_window = m_program.window.get();
        m_window->move(1010, 820); // beside and below the browser when the picker shows it
        BrowserScanChannel *channel = m_window->handOff()->scanChannel();
        MsgBox::setHandler([this](MsgBox::Kind, const QString &text) {
            m_boxes << text;
            return false;
        });

        m_movie = "FWS\x0a" + FaultHttpServer::pattern(60000);
        m_web.resource("/page/e2e.html").raw = response("text/html; charset=utf-8", testPage());
        m_web.resource("/page/m/one.swf").raw = response("application/x-shockwave-flash", m_movie);
        m_page = m_web.url(QStringLiteral("/page/e2e.html"));
        m_cached = m_web.url(QStringLiteral("/page/m/one.swf"));
        m_notCached = m_web.url(QStringLiteral("/m/two.swf"));

        // Under ~/.config the profile keeps its disk cache in ~/.cache/chromium,
        // where the program looks; it finds host manifests in its own folder.
        const QString profile = m_home.filePath(".config/chromium");
        QVERIFY(NativeHostManifests::writeInto(profile + "/NativeMessagingHosts",
                                               NativeHostManifests::chromium(hostProgram())));
        QVERIFY(m_chromium.start(profile, m_page));
        m_browserWindow = waitForWindow(QStringLiteral("E2E page - Chromium"), 30000);
        QVERIFY2(!m_browserWindow.isEmpty(), "Chromium did not show the test page");
        QByteArray pid;
        QVERIFY(xdotool({"getwindowpid", m_browserWindow}, &pid));
        // The extension's port registers as soon as its service worker runs; the
        // host's parent is the process that owns the window.
        QTRY_VERIFY_WITH_TIMEOUT(channel->ports() > 0, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(channel->browserOf(pid.trimmed().toLongLong()),
                                  QStringLiteral("chromium"), 5000);
        // The extension adds its entries shortly after the page shows: right
        // click a link until the "MoorQuill" sub-menu opens.
        QDeadlineTimer ready(20000);
        bool menus = false;
        while (!menus && !ready.hasExpired()) {
            const int base = visibleWindows();
            menus = openSubMenu(Block / 2);
            xdotool({"key", "Escape", "Escape"});
            waitForWindows(base, 3000);
        }
        QVERIFY2(menus, "the extension's entries did not appear");
    }
    void cleanupTestCase() {
        m_chromium.stop(); // first: its hosts talk to the server
        MsgBox::setHandler({});
    }
    // On the page the sub-menu's "U..." entry hands over the whole page: its
    // links, cookies and agent reach Text1 and the new-job dialog (mode 4).
    void pageHandedOver() {
        QSignalSpy handOffs(m_program.server.get(), &HandOffServer::handOff);
        auto *text1 = m_window->findChild<QLineEdit *>(QStringLiteral("Text1"));
        QVERIFY(text1);
        QSignalSpy text1Changes(text1, &QLineEdit::textChanged);
        m_program.dialog = {};
        const int base = visibleWindows();
        QVERIFY(openSubMenu(2 * Block + Block / 2));
        QVERIFY(xdotool({"key", "u"}));
        QVERIFY(handOffs.wait(15000));
        const auto got = handOffs.at(0).at(0).value<HandOffMessage>();
        const QString separator = QStringLiteral("||**QTRVAN**||");
        QCOMPARE(got.text, "allmy_qtr_Url:=" + m_page + separator + "my_qtr_Info:=E2E page" +
                               separator + "my_qtr_Ref:=" + m_page + separator);
        QCOMPARE(got.links.size(), 2);
        QCOMPARE(got.links[0].url, m_web.url("/movies/one.swf"));
        QCOMPARE(got.links[0].text, QStringLiteral("First movie"));
        QCOMPARE(got.links[1].url, m_web.url("/sub/"));
        QCOMPARE(got.cookies, QStringLiteral("session=e2e"));
        QVERIFY2(got.userAgent.contains("Chrome/"), qPrintable(got.userAgent));
        QTRY_VERIFY(!text1Changes.isEmpty());
        QCOMPARE(text1Changes.first().first().toString(), got.text);
        QTRY_COMPARE_WITH_TIMEOUT(m_program.dialog.mode, 4, 5000);
        QCOMPARE(m_program.dialog.ref, m_page);
        QCOMPARE(m_program.dialog.comment, QStringLiteral("E2E page"));
        QCOMPARE(m_program.dialog.links, 2);
        QVERIFY(waitForWindows(base, 5000)); // the menu and the dialog are gone
    }
    void pickerListsAndSavesMovies() {
        // The page's own fetch is in Chromium's cache once the entry is written.
        QTRY_VERIFY_WITH_TIMEOUT(BrowserCache().IsInCache(m_cached), 20000);

        // The drop window as the program shows it at start; its picker pressed,
        // moved onto the browser's page and released.
        m_window->handOff()->topWindow()->showAtStart();
        frmTop *top = m_window->handOff()->topWindow()->dropWindow();
        QVERIFY(top);
        top->move(1100, 100);
        QVERIFY(QTest::qWaitForWindowExposed(top));
        const QPoint picker = top->Image2->mapToGlobal(top->Image2->rect().center());
        QVERIFY(xdotool({"mousemove", QString::number(picker.x()), QString::number(picker.y())}));
        QVERIFY(xdotool({"mousedown", "1"}));
        QTRY_COMPARE(top->Image2->cursor().shape(), Qt::CrossCursor); // the press arrived
        QVERIFY(xdotool({"mousemove", "400", "300"}));
        QVERIFY(xdotool({"mousemove", "500", "400"}));
        QTRY_COMPARE_WITH_TIMEOUT(m_core.scan.FoundCount, 2, 10000);
        QVERIFY(xdotool({"mouseup", "1"}));

        // Through Timer1 the save dialog lists both, in the page's order.
        QTRY_VERIFY(saveDialog() && saveDialog()->isVisible());
        frmSaveSwfto *dialog = saveDialog();
        QCOMPARE(m_program.saveRows(), (QStringList{m_cached, m_notCached}));
        QCOMPARE(m_core.scan.FoundBrowser, QStringLiteral("chromium"));

        // The cached movie: copied byte for byte as a finished job.
        dialog->ListView1->setCurrentRow(0);
        dialog->Command1->click();
        dialog->txtSaveAs1->setText(m_out.path());
        const int jobs = m_core.DownJobs.DownCount();
        dialog->cmdSave->click();
        const QString target = m_out.filePath("one.swf");
        QVERIFY2(readFileBytes(target) == m_movie, qPrintable(m_boxes.join(" | ")));
        QCOMPARE(m_core.DownJobs.DownCount(), jobs + 1);
        QCOMPARE(m_boxes.last(), CacheSave::succeededText(m_cached, target));
        dialog->close(); // the rest of the dialog's rules are tst_frmsaveswfto's
        QTRY_VERIFY(!saveDialog() || !saveDialog()->isVisible());
    }
    // The browser's own entry: right click on the page, "MoorQuill", "Scan...".
    void menuEntryScansThePage() {
        if (frmSaveSwfto *old = saveDialog()) delete old;
        QVERIFY(openSubMenu(2 * Block + Block / 2));
        QVERIFY(xdotool({"key", "s"}));
        QTRY_VERIFY_WITH_TIMEOUT(saveDialog() && saveDialog()->isVisible(), 10000);
        QCOMPARE(m_program.saveRows(), (QStringList{m_cached, m_notCached}));
        QCOMPARE(m_core.scan.FoundCount, 0);
        saveDialog()->close();
    }
    // No program listens and none can be started: the host answers with an
    // error and the extension shows a notification.
    void unreachableProgramIsReported() {
        for (QWidget *w : QApplication::topLevelWidgets())
            w->hide();
        m_program.server.reset();
        QTRY_VERIFY(!popupShown());
        QVERIFY(openSubMenu(2 * Block + Block / 2));
        QVERIFY(xdotool({"key", "u"}));
        QVERIFY2(QTest::qWaitFor(popupShown, 15000), "no notification");
    }

private:
    frmSaveSwfto *saveDialog() const { return m_program.saveDialog(); }
    // A right click at y (below the toolbars) and "m": true once the "MoorQuill"
    // sub-menu shows. The focus goes back to the browser first.
    bool openSubMenu(int y) {
        const int base = visibleWindows();
        if (!openMenu(m_browserWindow, 100, Toolbars + y, base + 1)) return false;
        xdotool({"key", "m"});
        return waitForWindows(base + 2, 1500);
    }
    QTemporaryDir m_home, m_runtime, m_out;
    Program m_program;
    AppCore &m_core = m_program.core;
    frmMain *m_window = nullptr;
    FaultHttpServer m_web;
    Browser m_chromium;
    QString m_browserWindow, m_page;
    QByteArray m_movie;
    QString m_cached, m_notCached;
    QStringList m_boxes; // every message box's text
};

QTEST_MAIN(tst_Chromium)
#include "tst_chromium.moc"
