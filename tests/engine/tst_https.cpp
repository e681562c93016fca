#include "common/FaultHttpServer.h"
#include "common/NginxServer.h"
#include "common/TestCerts.h"
#include "common/TestRows.h"
#include "engine/EngineRig.h"

#include <QDir>
#include <QSslError>
#include <QSslSocket>
#include <QtTest>

using Resource = FaultHttpServer::Resource;

// Downloads from nginx, a server written elsewhere: over TLS with
// certificates of the test's own authority (several parts, refused
// certificates, redirects, resume), and plain.

class TestHttps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (NginxServer::binary().isEmpty()) QSKIP("nginx is not installed");
        if (!TestCerts::available()) QSKIP("openssl is not installed");
        QString error;
        QVERIFY2(m_certs.makeTrustedGoodAndStranger(&error), qPrintable(error));
        QVERIFY2(m_certs.makeServer(QStringLiteral("wrongname"),
                                    QStringLiteral("DNS:wrong.example"), QStringLiteral("good"),
                                    &error),
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
        m_good = std::make_unique<NginxServer>(extra);
        m_wrongName = std::make_unique<NginxServer>();
        m_stranger = std::make_unique<NginxServer>();
        m_plainNginx = std::make_unique<NginxServer>();
        m_certs.serveTls(*m_good, QStringLiteral("srv"));
        m_certs.serveTls(*m_wrongName, QStringLiteral("wrongname"));
        m_certs.serveTls(*m_stranger, QStringLiteral("stranger"));
        for (NginxServer *nginx :
             {m_good.get(), m_wrongName.get(), m_stranger.get(), m_plainNginx.get()}) {
            QVERIFY(nginx->put(QStringLiteral("movie.swf"), m_body));
            QVERIFY2(nginx->start(&error), qPrintable(error));
        }
        QVERIFY(m_good->put(QStringLiteral("slow/movie.swf"), m_body));
        QVERIFY(m_good->put(QStringLiteral("noranges/movie.swf"), m_body.left(1024 * 1024 + 17)));
        QVERIFY(m_good->put(QStringLiteral("paced/movie.swf"), m_body));
        Resource r;
        r.body = m_body;
        m_plain.setResource(QStringLiteral("/movie.swf"), r);
        r.status = "HTTP/1.1 302 Found";
        r.body.clear();
        r.location = m_good->url(QStringLiteral("movie.swf")).toLatin1();
        m_plain.setResource(QStringLiteral("/up.swf"), r);
    }

    void download_data() {
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
        // Plain nginx takes the same requests.
        for (int parts : {1, 10})
            QTest::addRow("plain http, %d parts", parts)
                << parts << "plain:movie.swf" << 1 << parts;
    }

    void download() {
        QFETCH(int, parts);
        QFETCH(QString, path);
        QFETCH(int, minRequests);
        QFETCH(int, maxRequests);
        const bool ranges = !path.startsWith(QLatin1String("noranges/"));
        const bool plain = path.startsWith(QLatin1String("plain:"));
        EngineRig rig;
        const int index =
            rig.run(plain ? m_plainNginx->url(path.mid(6)) : m_good->url(path), parts);
        VERIFY_COMPLETE(rig, index, ranges ? m_body : m_body.left(1024 * 1024 + 17));
        if (ranges) QCOMPARE(rig.count(QStringLiteral("ReSumeTestError")), 0);
        // No part asks twice (a refused request line would cost a handshake).
        QCOMPARE(rig.count(QStringLiteral("Retry")), 0);
        const int requests = rig.count(QStringLiteral("Request"));
        QVERIFY2(requests >= minRequests && requests <= maxRequests,
                 qPrintable(QString::number(requests)));
    }

    void certificateRefused_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("error");
        QTest::newRow("wrong host name") << "wrongname" << int(QSslError::HostNameMismatch);
        QTest::newRow("unknown authority")
            << "stranger" << int(QSslError::UnableToGetLocalIssuerCertificate);
    }

    void certificateRefused() {
        QFETCH(QString, server);
        QFETCH(int, error);
        NginxServer &nginx = server == QLatin1String("wrongname") ? *m_wrongName : *m_stranger;
        EngineRig rig;
        rig.core.settings.Retries = 3; // a refused certificate is final
        rig.core.settings.Redelay = 1;
        const int index = rig.run(nginx.url(QStringLiteral("movie.swf")), 3);
        QCOMPARE(rig.job(index).State, qint32(StateError));
        QCOMPARE(rig.count(QStringLiteral("Retry")), 0);
        const QString reason = QSslError(QSslError::SslError(error)).errorString();
        const QStringList lines =
            rig.logTexts().filter(QStringLiteral("The certificate of 127.0.0.1 is refused"));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(reason), qPrintable(lines[0] + " / " + reason));
        QVERIFY(!QFileInfo::exists(rig.job(index).SavePath));
    }

    void redirects_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("followed");
        row("http to https", m_plain.url("/up.swf"), true);
        row("https to http, same host", m_good->url("same.swf"), true);
        row("https to http, other host", m_good->url("away.swf"), false);
    }

    void redirects() {
        QFETCH(QString, url);
        QFETCH(bool, followed);
        EngineRig rig;
        const int index = rig.run(url, 3);
        if (followed) {
            VERIFY_COMPLETE(rig, index, m_body);
            QCOMPARE(rig.count(QStringLiteral("Redirect")), 1);
        } else {
            QCOMPARE(rig.job(index).State, qint32(StateError));
            QCOMPARE(
                rig.logTexts()
                    .filter(QStringLiteral("Refused to follow the redirect from https to plain "
                                           "http on another host: http://localhost:"))
                    .size(),
                1);
        }
    }

    void resume() {
        EngineRig rig;
        const int index = rig.addJob(m_good->url(QStringLiteral("slow/movie.swf")), 4);
        rig.start(index);
        QVERIFY(rig.pauseAfter(index, 1000000));
        QVERIFY(rig.job(index).Received < m_body.size());
        rig.restart();
        rig.start(index);
        QVERIFY(rig.waitFinished());
        VERIFY_COMPLETE(rig, index, m_body);
        QCOMPARE(rig.count(QStringLiteral("Restart")), 0);
        QVERIFY(rig.reports.first().type == QLatin1String("Connecting"));
    }

    // Encrypted bytes beyond a small input buffer wait in the kernel: the TLS
    // layer copies whatever the plain socket holds into a buffer of its own
    // that never shrinks.
    void tlsInputStaysSmall() {
        EngineRig rig;
        const int index = rig.addJob(m_good->url(QStringLiteral("slow/movie.swf")), 4);
        qint64 largest = 0;
        int seen = 0;
        QTimer sample;
        QObject::connect(&sample, &QTimer::timeout, [&] {
            for (QSslSocket *tls : rig.events->clsDownJob(1)->findChildren<QSslSocket *>()) {
                auto *plain = tls->findChild<QTcpSocket *>(QString(), Qt::FindDirectChildrenOnly);
                if (!tls->isEncrypted() || !plain) continue;
                ++seen;
                largest = qMax(largest, plain->readBufferSize());
            }
        });
        sample.start(5);
        rig.start(index);
        QVERIFY(rig.waitFinished());
        VERIFY_COMPLETE(rig, index, m_body);
        QVERIFY(seen > 0);
        QVERIFY2(largest > 0 && largest <= 64 * 1024, qPrintable(QString::number(largest)));
    }

    void throughProxyTunnel() {
        EngineRig rig;
        FaultHttpServer &proxy = rig.server;
        proxy.tunnels = true;
        const int index = rig.addJob(m_good->url(QStringLiteral("movie.swf")), 5);
        rig.useProxy(index, proxy.port());
        rig.start(index);
        QVERIFY(rig.waitFinished());
        VERIFY_COMPLETE(rig, index, m_body);
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

private:
    TestCerts m_certs;
    FaultHttpServer m_plain;
    std::unique_ptr<NginxServer> m_good, m_wrongName, m_stranger, m_plainNginx;
    QByteArray m_body;
};

QTEST_GUILESS_MAIN(TestHttps)
#include "tst_https.moc"
