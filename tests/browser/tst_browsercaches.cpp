// The cache readers against the caches real browsers write: headless Chromium
// and Firefox ESR load a page from 127.0.0.1 whose script fetches two movies
// (one sent gzip-compressed); the movies must then be found whole.
#include "CacheEntryWriter.h"
#include "browser/BrowserCache.h"
#include "common/FaultHttpServer.h"
#include "common/HelperProcess.h"
#include "common/MqRunner.h"
#include "common/TestFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray response(const QByteArray &type, const QByteArray &body,
                    const QByteArray &encoding = {}) {
    QByteArray r =
        "HTTP/1.1 200 OK\r\nContent-Type: " + type +
        "\r\nCache-Control: max-age=3600\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\n";
    if (!encoding.isEmpty()) r += "Content-Encoding: " + encoding + "\r\n";
    return r + "Connection: close\r\n\r\n" + body;
}

// A browser run with a fresh profile; ended when the object goes.
struct Browser {
    QTemporaryDir home;
    QProcess process;
    ~Browser() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    void start(const QString &program, const QStringList &args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path()); // nothing of the user's own profiles is touched
        env.insert("XDG_CACHE_HOME", home.filePath(".cache"));
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program, args);
    }
};
} // namespace

class TestBrowserCaches : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        m_plain = "FWS\x09" + FaultHttpServer::pattern(150000);
        m_packed = "FWS\x0a" + QByteArray(200000, 'z') + FaultHttpServer::pattern(5000);
        m_server.resource("/page.html").raw = response(
            "text/html", "<html><head><title>movies</title></head><body><script>"
                         "Promise.all([fetch('/m/plain.swf'), fetch('/m/packed.swf')].map("
                         "p => p.then(r => r.arrayBuffer()))).then(() => document.title = 'done');"
                         "</script></body></html>");
        m_server.resource("/m/plain.swf").raw = response("application/x-shockwave-flash", m_plain);
        m_server.resource("/m/packed.swf").raw =
            response("application/x-shockwave-flash",
                     CacheEntryWriter::zlibCompress(m_packed, 15 + 16), "gzip");
    }
    void readsBrowserCache_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("chromium") << "chromium";
        QTest::newRow("firefox-esr") << "firefox-esr";
    }
    void readsBrowserCache() {
        QFETCH(QString, program);
        const QString path = HelperProcess::find(program);
        if (path.isEmpty()) QSKIP("browser not installed");
        Browser browser;
        const QString profile = browser.home.filePath("profile");
        QVERIFY(QDir().mkpath(profile));
        const QString page = m_server.url("/page.html");
        if (program == "chromium") {
            browser.start(path,
                          {"--headless=new", "--no-sandbox", "--disable-gpu",
                           "--user-data-dir=" + profile, "--disable-background-networking",
                           "--disable-component-update", "--no-first-run", "--disable-sync", page});
        } else {
            // Quiet: no updates, telemetry or look-ups of its own.
            QByteArray prefs = "user_pref(\"network.dns.disablePrefetch\", true);\n";
            for (const char *off :
                 {"toolkit.telemetry.enabled", "datareporting.policy.dataSubmissionEnabled",
                  "app.update.enabled", "app.normandy.enabled", "network.predictor.enabled",
                  "network.prefetch-next", "network.captive-portal-service.enabled",
                  "browser.safebrowsing.malware.enabled", "browser.safebrowsing.phishing.enabled",
                  "extensions.update.enabled", "browser.shell.checkDefaultBrowser"})
                prefs += QByteArray("user_pref(\"") + off + "\", false);\n";
            QVERIFY(writeFileBytes(profile + "/user.js", prefs));
            browser.start(path, {"--headless", "--profile", profile, "--no-remote", page});
        }
        QVERIFY(browser.process.waitForStarted(10000));

        // The cache is written when the browser gets round to it: wait for both
        // entries to be whole (the server answers meanwhile).
        const QString plainUrl = m_server.url("/m/plain.swf");
        const QString packedUrl = m_server.url("/m/packed.swf");
        QTRY_VERIFY_WITH_TIMEOUT(!CacheFolders::fromDirs({profile}).isEmpty(), 20000);
        BrowserCache cache(CacheFolders::fromDirs({profile}));
        QTRY_VERIFY_WITH_TIMEOUT(cache.IsInCache(plainUrl) && cache.IsInCache(packedUrl), 20000);
        QCOMPARE(cache.entry().browser,
                 program == "chromium" ? QString("chromium") : QString("firefox"));

        QVERIFY(cache.IsInCache(plainUrl + "#ignored"));
        QVERIFY(readFileBytes(cache.CacheFileName()) == m_plain);
        QVERIFY(cache.IsInCache(packedUrl));
        QCOMPARE(cache.entry().contentEncoding, QByteArray("gzip"));
        QVERIFY(readFileBytes(cache.CacheFileName()) == m_packed);
        QVERIFY(!cache.IsInCache(m_server.url("/m/never.swf")));

        // The command-line lookup reads the same folder.
        QTemporaryDir out;
        const MqResult r =
            runMq({"cache", packedUrl, "--cache-dir", profile, "--out", out.filePath("movie.swf")});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.startsWith("{\"hit\":true,\"browser\":\""), r.out.constData());
        QVERIFY(r.out.contains(",\"length\":" + QByteArray::number(m_packed.size()) + "}"));
        QVERIFY(readFileBytes(out.filePath("movie.swf")) == m_packed);
    }

private:
    FaultHttpServer m_server;
    QByteArray m_plain, m_packed;
};

QTEST_GUILESS_MAIN(TestBrowserCaches)
#include "tst_browsercaches.moc"
