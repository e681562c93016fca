#include "common/FaultHttpServer.h"
#include "common/NginxServer.h"
#include "common/TestCerts.h"
#include "engine/EngineRig.h"
#include "engine/PartTransport.h"

#include <QDir>
#include <QSslError>
#include <QtTest>

using Resource = FaultHttpServer::Resource;

// Downloads over TLS from nginx with certificates of the test's own
// authority: several parts, refused certificates, redirects, resume.
class TestHttps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void download_data();
    void download();
    void certificateRefused_data();
    void certificateRefused();
    void redirects_data();
    void redirects();
    void resume();
    void throughProxyTunnel();

private:
    std::unique_ptr<NginxServer> serverWith(const QString &cert, const QString &extra = {});
    void put(NginxServer &nginx, const QString &file, const QByteArray &bytes);

    TestCerts m_certs;
    FaultHttpServer m_plain;
    std::unique_ptr<NginxServer> m_good, m_wrongName, m_stranger;
    QByteArray m_body;
};

std::unique_ptr<NginxServer> TestHttps::serverWith(const QString &cert, const QString &extra) {
    auto nginx = std::make_unique<NginxServer>(extra);
    nginx->setTls(m_certs.path(cert + QStringLiteral(".pem")),
                  m_certs.path(cert + QStringLiteral(".key")));
    return nginx;
}

void TestHttps::put(NginxServer &nginx, const QString &file, const QByteArray &bytes) {
    const QString path = nginx.root() + QLatin1Char('/') + file;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void TestHttps::initTestCase() {
    if (NginxServer::binary().isEmpty()) QSKIP("nginx is not installed");
    if (!TestCerts::available()) QSKIP("openssl is not installed");
    QString error;
    QVERIFY2(m_certs.makeCa(QStringLiteral("good"), &error), qPrintable(error));
    QVERIFY2(m_certs.makeCa(QStringLiteral("other"), &error), qPrintable(error));
    QVERIFY2(m_certs.makeServer(QStringLiteral("srv"), QStringLiteral("IP:127.0.0.1"),
                                QStringLiteral("good"), &error),
             qPrintable(error));
    QVERIFY2(m_certs.makeServer(QStringLiteral("wrongname"), QStringLiteral("DNS:wrong.example"),
                                QStringLiteral("good"), &error),
             qPrintable(error));
    QVERIFY2(m_certs.makeServer(QStringLiteral("stranger"), QStringLiteral("IP:127.0.0.1"),
                                QStringLiteral("other"), &error),
             qPrintable(error));
    QVERIFY2(PartTransport::AddCaFile(m_certs.path(QStringLiteral("ca-good.pem")), &error),
             qPrintable(error));

    m_body = FaultHttpServer::pattern(8 * 1024 * 1024 + 4321);
    // Redirects from https: to plain http on the same host, and to another host.
    const QString extra =
        QStringLiteral("location /slow/ { limit_rate 3m; }\n"
                       "location /noranges/ { max_ranges 0; }\n"
                       "location /paced/ { limit_rate 512k; }\n"
                       "location = /same.swf { return 302 %1; }\n"
                       "location = /away.swf { return 302 http://localhost:%2/movie.swf; }\n")
            .arg(m_plain.url(QStringLiteral("/movie.swf")))
            .arg(m_plain.port());
    m_good = serverWith(QStringLiteral("srv"), extra);
    m_wrongName = serverWith(QStringLiteral("wrongname"));
    m_stranger = serverWith(QStringLiteral("stranger"));
    for (NginxServer *nginx : {m_good.get(), m_wrongName.get(), m_stranger.get()}) {
        put(*nginx, QStringLiteral("movie.swf"), m_body);
        QVERIFY2(nginx->start(&error), qPrintable(error));
    }
    put(*m_good, QStringLiteral("slow/movie.swf"), m_body);
    put(*m_good, QStringLiteral("noranges/movie.swf"), m_body.left(1024 * 1024 + 17));
    put(*m_good, QStringLiteral("paced/movie.swf"), m_body);
    Resource r;
    r.body = m_body;
    m_plain.setResource(QStringLiteral("/movie.swf"), r);
    r.status = "HTTP/1.1 302 Found";
    r.body.clear();
    r.location = m_good->url(QStringLiteral("movie.swf")).toLatin1();
    m_plain.setResource(QStringLiteral("/up.swf"), r);
}

void TestHttps::download_data() {
    QTest::addColumn<int>("parts");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("minRequests");
    QTest::addColumn<int>("maxRequests");
    for (int parts : {1, 5, 10})
        QTest::addRow("%d parts", parts) << parts << "movie.swf" << 1 << parts;
    // Paced so that no part overtakes another: every part sends its
    // request, parts 3 to 10 on connections that shook hands during the
    // range test.
    QTest::newRow("10 parts, paced") << 10 << "paced/movie.swf" << 10 << 10;
    // Those connections are dropped unused when the range test fails.
    QTest::newRow("10 parts, no ranges") << 10 << "noranges/movie.swf" << 1 << 2;
}

void TestHttps::download() {
    QFETCH(int, parts);
    QFETCH(QString, path);
    QFETCH(int, minRequests);
    QFETCH(int, maxRequests);
    const bool ranges = !path.startsWith(QLatin1String("noranges/"));
    EngineRig rig;
    const int index = rig.addJob(m_good->url(path), parts);
    QVERIFY(rig.job(index).Url.startsWith(QLatin1String("https://127.0.0.1:")));
    rig.start(index);
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished->count(), 1, 30000);
    const DownJobRecord &rec = rig.job(index);
    QVERIFY2(rec.State == StateComplete, qPrintable(rig.logTexts().join('|')));
    QVERIFY(EngineRig::fileBytes(rec.SavePath) ==
            (ranges ? m_body : m_body.left(1024 * 1024 + 17)));
    if (ranges) QCOMPARE(rig.count(QStringLiteral("ReSumeTestError")), 0);
    // No part asks twice (a refused request line would cost a handshake).
    QCOMPARE(rig.count(QStringLiteral("Retry")), 0);
    const int requests = rig.count(QStringLiteral("Request"));
    QVERIFY2(requests >= minRequests && requests <= maxRequests,
             qPrintable(QString::number(requests)));
}

void TestHttps::certificateRefused_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("error");
    QTest::newRow("wrong host name") << "wrongname" << int(QSslError::HostNameMismatch);
    QTest::newRow("unknown authority")
        << "stranger" << int(QSslError::UnableToGetLocalIssuerCertificate);
}

void TestHttps::certificateRefused() {
    QFETCH(QString, server);
    QFETCH(int, error);
    NginxServer &nginx = server == QLatin1String("wrongname") ? *m_wrongName : *m_stranger;
    EngineRig rig;
    rig.core.settings.Retries = 3; // a refused certificate is final
    rig.core.settings.Redelay = 1;
    const int index = rig.addJob(nginx.url(QStringLiteral("movie.swf")), 3);
    rig.start(index);
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished->count(), 1, 15000);
    QCOMPARE(rig.job(index).State, qint32(StateError));
    QCOMPARE(rig.count(QStringLiteral("Retry")), 0);
    const QString reason = QSslError(QSslError::SslError(error)).errorString();
    const QStringList lines =
        rig.logTexts().filter(QStringLiteral("The certificate of 127.0.0.1 is refused"));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains(reason), qPrintable(lines[0] + " / " + reason));
    QVERIFY(!QFileInfo::exists(rig.job(index).SavePath));
}

void TestHttps::redirects_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("followed");
    QTest::newRow("http to https") << m_plain.url(QStringLiteral("/up.swf")) << true;
    QTest::newRow("https to http, same host") << m_good->url(QStringLiteral("same.swf")) << true;
    QTest::newRow("https to http, other host") << m_good->url(QStringLiteral("away.swf")) << false;
}

void TestHttps::redirects() {
    QFETCH(QString, url);
    QFETCH(bool, followed);
    EngineRig rig;
    const int index = rig.addJob(url, 3);
    rig.start(index);
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished->count(), 1, 30000);
    const DownJobRecord &rec = rig.job(index);
    if (followed) {
        QVERIFY2(rec.State == StateComplete, qPrintable(rig.logTexts().join('|')));
        QVERIFY(EngineRig::fileBytes(rec.SavePath) == m_body);
        QCOMPARE(rig.count(QStringLiteral("Redirect")), 1);
    } else {
        QCOMPARE(rec.State, qint32(StateError));
        QCOMPARE(rig.logTexts()
                     .filter(QStringLiteral("Refused to follow the redirect from https to plain "
                                            "http on another host: http://localhost:"))
                     .size(),
                 1);
    }
}

void TestHttps::resume() {
    EngineRig rig;
    const int index = rig.addJob(m_good->url(QStringLiteral("slow/movie.swf")), 4);
    rig.start(index);
    QTRY_VERIFY_WITH_TIMEOUT(rig.job(index).Received > 1000000, 20000);
    rig.events->clsDownJob(1)->Pause();
    const DownJobRecord paused = rig.job(index);
    QCOMPARE(paused.State, qint32(StatePaused));
    QVERIFY(paused.Received < m_body.size());
    rig.reset();
    rig.reports.clear();
    rig.start(index);
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished->count(), 1, 30000);
    const DownJobRecord &rec = rig.job(index);
    QVERIFY2(rec.State == StateComplete, qPrintable(rig.logTexts().join('|')));
    QVERIFY(EngineRig::fileBytes(rec.SavePath) == m_body);
    QCOMPARE(rig.count(QStringLiteral("Restart")), 0);
    QVERIFY(rig.reports.first().type == QLatin1String("Connecting"));
}

void TestHttps::throughProxyTunnel() {
    FaultHttpServer proxy;
    proxy.tunnels = true;
    EngineRig rig;
    const int index = rig.addJob(m_good->url(QStringLiteral("movie.swf")), 5);
    rig.job(index).UseProxy = kTrue;
    rig.job(index).ProxyHost = QStringLiteral("127.0.0.1");
    rig.job(index).ProxyPort = qint16(proxy.port());
    rig.start(index);
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished->count(), 1, 30000);
    const DownJobRecord &rec = rig.job(index);
    QVERIFY2(rec.State == StateComplete, qPrintable(rig.logTexts().join('|')));
    QVERIFY(EngineRig::fileBytes(rec.SavePath) == m_body);
    // Every connection went through a tunnel; the request inside it keeps
    // the origin form.
    const QByteArray connect =
        "CONNECT 127.0.0.1:" + QByteArray::number(m_good->port()) +
        " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(m_good->port()) + "\r\n\r\n";
    QVERIFY(proxy.requests.size() >= 2); // parts 1 and 2 at least
    for (const QByteArray &request : proxy.requests)
        QCOMPARE(request, connect);
    QVERIFY(rig.logTexts().contains(QStringLiteral("GET /movie.swf HTTP/1.1")));
}

QTEST_GUILESS_MAIN(TestHttps)
#include "tst_https.moc"
