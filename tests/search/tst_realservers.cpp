// `mq search`, `mq get` and the window's page search against nginx and
// lighttpd as they serve the web: gzip and chunked pages, https (a refused
// certificate is an error with its reason), a redirect built from the Host
// header on a port of its own, a movie stored gzipped.
#include "PageCorpus.h"
#include "SearchRig.h"
#include "browser/CacheEntryWriter.h"
#include "common/MqRunner.h"
#include "common/NginxServer.h"
#include "common/TestCerts.h"
#include "common/TestData.h"
#include "common/TestFiles.h"
#include "common/TestRows.h"

#include <QFile>
#include <QProcess>
#include <QSslError>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// nginx as sites run it: pages gzipped (and so sent chunked), a moved
// folder redirected by the Host header, movies stored gzipped.
const QString kNginxSite =
    QStringLiteral("gzip on; gzip_types *; gzip_min_length 1;\n"
                   "location /old/ { return 301 $scheme://$http_host/new/m.swf; }\n"
                   "location /gz/ { gzip_static always; }");
const QByteArray kTlsPage = "<html>" + embed("intro.swf") + embed("/root/top.swf") + "</html>";

} // namespace

class tst_RealServers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (NginxServer::binary().isEmpty() || NginxServer::binary(NginxServer::Lighttpd).isEmpty())
            QSKIP("nginx or lighttpd is not installed");
        if (!TestCerts::available()) QSKIP("openssl is not installed");
        QString error;
        QVERIFY2(m_certs.makeTrustedGoodAndStranger(&error), qPrintable(error));
        m_certs.serveTls(m_stranger, QStringLiteral("stranger"));
        m_stranger.put(QStringLiteral("a/index.htm"), kTlsPage);
        QVERIFY2(m_stranger.start(&error), qPrintable(error));
        for (const bool tls : {false, true})
            for (const NginxServer::Program program : {NginxServer::Nginx, NginxServer::Lighttpd}) {
                auto server = std::make_unique<NginxServer>(
                    program == NginxServer::Nginx ? kNginxSite : QString(), program);
                if (tls) m_certs.serveTls(*server, QStringLiteral("srv"));
                for (const QString &page : PageCorpus::pages())
                    server->put("corpus/" + page, PageCorpus::bytes(page));
                server->put(QStringLiteral("site/index.html"),
                            "<object data=\"m.swf\" type=\"application/x-shockwave-flash\">"
                            "</object>");
                server->put(QStringLiteral("site/m.swf"), m_movie);
                server->put(QStringLiteral("a/index.htm"), kTlsPage);
                server->put(QStringLiteral("new/m.swf"), m_movie);
                server->put(QStringLiteral("gz/m.swf.gz"),
                            CacheEntryWriter::zlibCompress(m_movie, 31));
                QVERIFY2(server->start(&error), qPrintable(error));
                m_servers.push_back(std::move(server));
            }
    }

    // Every page of the corpus, gzipped and chunked by nginx, gives what the
    // table expects (the searches run side by side).
    void corpusGzippedAndChunked() {
        QTemporaryDir dir;
        const QString site = m_servers[0]->url(QStringLiteral("corpus/"));
        const QStringList pages = PageCorpus::pages();
        std::vector<std::unique_ptr<QProcess>> runs;
        for (const QString &page : pages) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->start(MqRunner::binary(),
                               {"search", site + page, "--dir", dir.filePath(page)});
        }
        for (qsizetype i = 0; i < pages.size(); ++i) {
            QProcess &run = *runs[size_t(i)];
            QVERIFY(run.waitForFinished(30000));
            QCOMPARE(run.exitCode(), 0);
            QCOMPARE(QString::fromUtf8(run.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
                     PageCorpus::searchLines(pages[i], site, dir.filePath(pages[i])));
        }
    }

    void searchAndGet_data() {
        QTest::addColumn<int>("server");
        QTest::newRow("nginx, http") << 0;
        QTest::newRow("lighttpd, http") << 1;
        QTest::newRow("nginx, https") << 2;
        QTest::newRow("lighttpd, https") << 3;
    }

    void searchAndGet() {
        QFETCH(int, server);
        const NginxServer &web = *m_servers[server];
        QTemporaryDir dir;
        const QStringList ca{"--ca-file", m_certs.path(QStringLiteral("ca-good.pem"))};
        MqRunner search;
        QCOMPARE(
            search.run(
                QStringList{"search", web.url(QStringLiteral("site/")), "--dir", dir.path()} + ca),
            0);
        const QString movie = web.url(QStringLiteral("site/m.swf"));
        QCOMPARE(QString::fromUtf8(search.out()).trimmed(), movie + '\t' + dir.filePath("m.swf"));
        MqRunner get;
        QCOMPARE(get.run(QStringList{"get", movie, "--parts", "4", "--dir", dir.path()} + ca), 0);
        QCOMPARE(readFileBytes(dir.filePath("m.swf")), m_movie);
    }

    // A failed search says why on stderr: the page's status line, the
    // connection's error without its number, or why it could not start.
    void searchFailureSaysWhy_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("reason");
        row("missing page", m_servers[0]->url(QStringLiteral("site/none.html")),
            QStringLiteral("ended with an error: HTTP/1.1 404 Not Found"));
        row("unknown authority", m_servers[2]->url(QStringLiteral("site/")),
            QStringLiteral("ended with an error: The certificate of 127.0.0.1 is refused: "));
        row("not http", QStringLiteral("ftp://127.0.0.1/site/"),
            QStringLiteral("ended with an error: The URL does not begin with http:// or https://"));
    }
    void searchFailureSaysWhy() {
        QFETCH(QString, url);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        MqRunner search;
        QCOMPARE(search.run({"search", url, "--dir", dir.path()}), 2);
        const QString err = QString::fromUtf8(search.err());
        QVERIFY2(err.contains(url + QLatin1Char(' ') + reason), qPrintable(err));
    }

    // nginx redirects with $http_host (the port must be in "Host:") and
    // serves a movie stored gzipped (saved decoded).
    void getFromNginx_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("extra");
        row("redirect built from Host", "old/m.swf", QStringList{"--name", "m.swf"});
        row("gzipped movie", "gz/m.swf", QStringList{"--parts", "5"});
    }
    void getFromNginx() {
        QFETCH(QString, path);
        QFETCH(QStringList, extra);
        QTemporaryDir dir;
        MqRunner get;
        QCOMPARE(get.run(QStringList{"get", m_servers[0]->url(path), "--dir", dir.path()} + extra),
                 0);
        QCOMPARE(readFileBytes(dir.filePath("m.swf")), m_movie);
    }

    // The window's search of an https page makes https jobs; a certificate
    // of an unknown authority is an error with its reason.
    void windowSearchOverTls() {
        SearchRig rig;
        const QString origin = QStringLiteral("https://127.0.0.1:%1").arg(m_servers[2]->port());
        rig.add(origin + QStringLiteral("/a/index.htm"));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchAnalysed));
        QCOMPARE(int(rig.core.DownJobs.DownCount()), 2);
        QCOMPARE(rig.core.DownJobs[1].Url, origin + QStringLiteral("/a/intro.swf"));
        QCOMPARE(rig.core.DownJobs[2].Url, origin + QStringLiteral("/root/top.swf"));
        SearchRig refused;
        refused.add(m_stranger.url(QStringLiteral("a/index.htm")));
        QVERIFY(refused.waitIdle());
        QCOMPARE(refused.core.SearchJobs[1].State, int(SearchError));
        QCOMPARE(int(refused.core.DownJobs.DownCount()), 0);
        const QStringList lines =
            refused.logOf(1).filter(QStringLiteral("The certificate of 127.0.0.1 is refused"));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(
                     QSslError(QSslError::UnableToGetLocalIssuerCertificate).errorString()),
                 qPrintable(lines[0]));
    }

private:
    TestCerts m_certs;
    NginxServer m_stranger;
    std::vector<std::unique_ptr<NginxServer>> m_servers; // nginx, lighttpd; then over TLS
    const QByteArray m_movie = FaultHttpServer::pattern(400000);
};

QTEST_GUILESS_MAIN(tst_RealServers)
#include "tst_realservers.moc"
