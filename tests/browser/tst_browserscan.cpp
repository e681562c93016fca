// End to end under Xvfb: the drop window's picker, dropped on headed
// Chromium's window, lists the page's two movies through the extension's
// long-lived port; the save dialog copies the one the page fetched out of
// Chromium's own disk cache and offers the other for download. The
// extension's "Scan this page for Flash movies" entry reaches the same dialog.
#include "ChromiumDesktop.h"
#include "browser/BrowserCache.h"
#include "browser/BrowserScanChannel.h"
#include "browser/CacheSave.h"
#include "browser/HandOffServer.h"
#include "browser/HandOffSocket.h"
#include "browser/NativeHostManifests.h"
#include "browser/frmSaveSwfto.h"
#include "browser/frmTop.h"
#include "common/FaultHttpServer.h"
#include "common/HelperProcess.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "dialogs/frmNewDown1.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"
#include "ui/MainHandOff.h"
#include "ui/MainTopWindow.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace ChromiumDesktop;

namespace {

// The OBJECT names its movie in a PARAM, relative to the page's folder; the
// page's script fetches it, so that it lands in the disk cache. The EMBED's
// movie, root-relative, is fetched by nobody (and the server has none).
QByteArray scanPage() {
    return R"(<!doctype html><html><head><title>Scan page</title></head>
<body style="margin: 0; height: 700px">
<object type="application/x-shockwave-flash" width="120" height="60">
<param name="movie" value="m/one.swf"></object>
<embed src="/m/two.swf" type="application/x-shockwave-flash" width="120" height="60">
<script>fetch("m/one.swf").then((r) => r.arrayBuffer());</script>
</body></html>)";
}

QByteArray response(const QByteArray &type, const QByteArray &body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + type +
           "\r\nCache-Control: max-age=3600\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

class tst_BrowserScan : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void pickerListsAndSavesMovies();
    void menuEntryScansThePage();

private:
    frmSaveSwfto *saveDialog() const { return m_window->findChild<frmSaveSwfto *>(); }
    QStringList rows() const;
    QTemporaryDir m_home, m_runtime, m_out;
    TestHome m_appHome;
    AppCore m_core;
    std::unique_ptr<frmMain> m_window; // the running program
    HandOffServer *m_server = nullptr;
    BrowserScanChannel *m_channel = nullptr;
    FaultHttpServer m_web;
    Browser m_chromium;
    QString m_browserWindow;
    qint64 m_browserPid = 0;
    QByteArray m_movie;
    QString m_cached, m_notCached;
    QTimer m_dialogWatch;
    QString m_newJobUrl; // what the new-job dialog showed when it opened
    QStringList m_boxes; // every message box's text
    QList<bool> m_answers;
};

void tst_BrowserScan::initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("needs an X11 display");
    if (HelperProcess::find("chromium").isEmpty() || HelperProcess::find("xdotool").isEmpty())
        QSKIP("chromium or xdotool is not installed");
    QVERIFY(QFileInfo(hostProgram()).isExecutable());
    // Chromium's profile and cache, and the program's cache lookup, live in
    // the test's own home.
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_home.filePath(".config").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", m_home.filePath(".cache").toLocal8Bit());
    m_server = new HandOffServer;
    QString error;
    QVERIFY2(m_server->listen(useRuntimeFolder(m_runtime.path()), &error), qPrintable(error));
    m_core.paths = AppPaths::forFolder(m_appHome.path());
    m_window = std::make_unique<frmMain>(m_core);
    m_window->move(1010, 820); // beside and below the browser when the picker shows it
    m_channel = m_window->handOff()->scanChannel();
    m_channel->listenTo(m_server);
    connect(m_server, &HandOffServer::pageScanned, m_window.get(), &frmMain::receivePageScan);
    MsgBox::setHandler([this](MsgBox::Kind kind, const QString &text) {
        m_boxes << text;
        if (kind == MsgBox::Kind::Plain) return false;
        return m_answers.isEmpty() ? false : m_answers.takeFirst();
    });
    // The new-job dialog is modal: noted and cancelled.
    m_dialogWatch.setInterval(50);
    connect(&m_dialogWatch, &QTimer::timeout, this, [this] {
        auto *dialog = qobject_cast<frmNewDown1 *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        m_newJobUrl = dialog->txtUrl->text();
        dialog->reject();
    });
    m_dialogWatch.start();

    m_movie = "FWS\x0a" + FaultHttpServer::pattern(60000);
    FaultHttpServer::Resource page, movie;
    page.raw = response("text/html; charset=utf-8", scanPage());
    movie.raw = response("application/x-shockwave-flash", m_movie);
    m_web.setResource(QStringLiteral("/page/scan.html"), page);
    m_web.setResource(QStringLiteral("/page/m/one.swf"), movie);
    m_cached = m_web.url(QStringLiteral("/page/m/one.swf"));
    m_notCached = m_web.url(QStringLiteral("/m/two.swf"));

    // Under ~/.config the profile keeps its disk cache in ~/.cache/chromium,
    // where the program looks.
    const QString profile = m_home.filePath(".config/chromium");
    QVERIFY(NativeHostManifests::writeInto(profile + "/NativeMessagingHosts",
                                           NativeHostManifests::chromium(hostProgram())));
    QVERIFY(m_chromium.start(profile, m_web.url(QStringLiteral("/page/scan.html"))));
    m_browserWindow = waitForWindow(QStringLiteral("Scan page - Chromium"), 30000);
    QVERIFY2(!m_browserWindow.isEmpty(), "Chromium did not show the test page");
    QByteArray pid;
    QVERIFY(xdotool({"getwindowpid", m_browserWindow}, &pid));
    m_browserPid = pid.trimmed().toLongLong();
    // The extension's port registers as soon as its service worker runs; the
    // host's parent is the process that owns the window.
    QTRY_VERIFY_WITH_TIMEOUT(m_channel->ports() > 0, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(m_channel->browserOf(m_browserPid), QStringLiteral("chromium"), 5000);
}

void tst_BrowserScan::cleanupTestCase() {
    m_chromium.stop(); // first: its hosts talk to the server
    m_dialogWatch.stop();
    MsgBox::setHandler({});
    m_window.reset();
    delete m_server;
}

QStringList tst_BrowserScan::rows() const {
    QStringList out;
    if (frmSaveSwfto *dialog = saveDialog())
        for (int i = 0; i < dialog->ListView1->count(); ++i)
            out << dialog->ListView1->item(i)->text();
    return out;
}

void tst_BrowserScan::pickerListsAndSavesMovies() {
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
    QCOMPARE(rows(), (QStringList{m_cached, m_notCached}));
    QCOMPARE(dialog->Label1->text(),
             QStringLiteral("Moorquill total have found 2 Flash files in Ie window."));
    QCOMPARE(m_core.scan.FoundBrowser, QStringLiteral("chromium"));

    // The cached movie: copied byte for byte as a finished job.
    dialog->ListView1->setCurrentRow(0);
    dialog->Command1->click();
    QCOMPARE(dialog->txtRename->text(), QStringLiteral("one.swf"));
    dialog->txtSaveAs1->setText(m_out.path());
    const int jobs = m_core.DownJobs.DownCount();
    dialog->cmdSave->click();
    const QString target = m_out.filePath("one.swf");
    QVERIFY2(readFileBytes(target) == m_movie, qPrintable(m_boxes.join(" | ")));
    QCOMPARE(m_core.DownJobs.DownCount(), jobs + 1);
    QCOMPARE(m_core.DownJobs[jobs + 1].State, 4);
    QCOMPARE(m_core.DownJobs[jobs + 1].SavePath, target);
    QCOMPARE(m_boxes.last(), CacheSave::succeededText(m_cached, target));
    QCOMPARE(rows(), QStringList{m_notCached});

    // The other one is not in the cache: "Yes" offers the download.
    dialog->ListView1->setCurrentRow(0);
    m_answers << true;
    dialog->cmdSave->click();
    QCOMPARE(m_boxes.last(), CacheSave::notCachedQuestion());
    QTRY_COMPARE_WITH_TIMEOUT(m_newJobUrl, m_notCached, 5000);
    QVERIFY(rows().isEmpty());
    QCOMPARE(m_core.DownJobs.DownCount(), jobs + 1);
    dialog->close();
    QTRY_VERIFY(!saveDialog() || !saveDialog()->isVisible());
}

// The browser's own entry: right click on the page, "MoorQuill", "Scan...".
void tst_BrowserScan::menuEntryScansThePage() {
    if (frmSaveSwfto *old = saveDialog()) delete old;
    const int base = visibleWindows();
    QVERIFY(openMenu(m_browserWindow, 500, 600, base + 1));
    QVERIFY(xdotool({"key", "m"}));
    QVERIFY(waitForWindows(base + 2, 5000));
    QVERIFY(xdotool({"key", "s"}));
    QTRY_VERIFY_WITH_TIMEOUT(saveDialog() && saveDialog()->isVisible(), 10000);
    QCOMPARE(rows(), (QStringList{m_cached, m_notCached}));
    QCOMPARE(m_core.scan.FoundCount, 0);
}

QTEST_MAIN(tst_BrowserScan)
#include "tst_browserscan.moc"
