// The update check over TLS: the update file is read from an https server,
// a certificate of an unknown authority is an error with its reason, and
// an https:// update server setting switches TLS on, also for `mq update-check`.
#include "common/MqRunner.h"
#include "common/NginxServer.h"
#include "common/TestCerts.h"
#include "update/UpdateCheck.h"
#include "update/UpdateConfig.h"

#include <QSignalSpy>
#include <QSslError>
#include <QtTest>

class tst_UpdateHttps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (NginxServer::binary().isEmpty()) QSKIP("nginx is not installed");
        if (!TestCerts::available()) QSKIP("openssl is not installed");
        QString error;
        QVERIFY2(m_certs.makeTrustedGoodAndStranger(&error), qPrintable(error));
        for (auto *server : {&m_good, &m_stranger}) {
            *server = std::make_unique<NginxServer>();
            m_certs.serveTls(**server, server == &m_good ? "srv" : "stranger");
            QVERIFY((*server)->put("newmoorquill.txt",
                                   "Newest Version:9.1\r\nDownSite:https://dl.test/mq91.zip\r\n"));
            QVERIFY2((*server)->start(&error), qPrintable(error));
        }
    }

    void check_data() {
        QTest::addColumn<bool>("known");
        QTest::newRow("known authority") << true;
        QTest::newRow("unknown authority") << false;
    }

    void check() {
        QFETCH(bool, known);
        NginxServer &server = known ? *m_good : *m_stranger;
        UpdateCheck check;
        check.tls = true;
        QSignalSpy finished(&check, &UpdateCheck::finished);
        check.Start(QStringLiteral("127.0.0.1"), server.port(), QStringLiteral("1.3"));
        QVERIFY(finished.wait(15000));
        if (known) {
            QVERIFY2(check.verdict().newer, qPrintable(check.label()));
            QCOMPARE(check.verdict().downSite, QStringLiteral("https://dl.test/mq91.zip"));
            return;
        }
        QVERIFY(!check.verdict().newer);
        const QString reason =
            QSslError(QSslError::UnableToGetLocalIssuerCertificate).errorString();
        QVERIFY2(check.label().startsWith(QStringLiteral("Error:13The certificate of 127.0.0.1 is "
                                                         "refused")) &&
                     check.label().contains(reason),
                 qPrintable(check.label()));
        QCOMPARE(finished.count(), 1);
    }

    void serverSetting_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("tls");
        QTest::newRow("plain") << QString("up.test") << "up.test" << 80 << false;
        QTest::newRow("plain with port") << QString("up.test:8080") << "up.test" << 8080 << false;
        QTest::newRow("https") << QString("https://up.test") << "up.test" << 443 << true;
        QTest::newRow("https with port")
            << QString("https://up.test:8443") << "up.test" << 8443 << true;
    }

    void serverSetting() {
        QFETCH(QString, setting);
        qputenv("MOORQUILL_UPDATE_SERVER", setting.toUtf8());
        const HostPort server = UpdateConfig::UpdateServer();
        QTEST(server.host, "host");
        QTEST(int(server.port), "port");
        QTEST(UpdateConfig::UpdateServerTls(), "tls");
        QTEST(UpdateCheck().tls, "tls");
        qunsetenv("MOORQUILL_UPDATE_SERVER");
    }

    // The command line reaches an https server given as --server, trusting the
    // authority of --ca-file, and refuses it without.
    void mqUpdateCheck() {
        const QString server = QStringLiteral("https://127.0.0.1:%1").arg(m_good->port());
        MqRunner trusted;
        QCOMPARE(trusted.run({"update-check", "--server", server, "--ca-file",
                              m_certs.path(QStringLiteral("ca-good.pem"))}),
                 0);
        QVERIFY2(trusted.out().contains("\"newer\":true,\"downSite\":\"https://dl.test/mq91.zip\""),
                 trusted.out().constData());
        MqRunner untrusted;
        QCOMPARE(untrusted.run({"update-check", "--server", server}), 0);
        QVERIFY2(untrusted.out().startsWith("{\"label\":\"Error:13The certificate of 127.0.0.1"),
                 untrusted.out().constData());
        MqRunner wrong;
        QCOMPARE(wrong.run({"update-check", "--server", QStringLiteral("https://")}), 1);
        QVERIFY(wrong.err().contains("--server takes [https://]HOST[:PORT]"));
    }

private:
    TestCerts m_certs;
    std::unique_ptr<NginxServer> m_good, m_stranger;
};

QTEST_GUILESS_MAIN(tst_UpdateHttps)
#include "tst_updatehttps.moc"
