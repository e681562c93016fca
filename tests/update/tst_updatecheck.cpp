// The update check: the evaluation of the update file, the request on the
// wire, socket errors and time-outs, TLS (a certificate of an unknown
// authority is an error with its reason; an https:// update server setting
// switches TLS on), and `mq update-check`.
#include "common/FaultHttpServer.h"
#include "common/MqRunner.h"
#include "common/NginxServer.h"
#include "common/TestCerts.h"
#include "update/UpdateCheck.h"
#include "update/UpdateConfig.h"
#include "update/UpdateVerdict.h"

#include <QSignalSpy>
#include <QSslError>
#include <QTcpServer>
#include <QtTest>

namespace {
const QByteArray kHeader = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
const QString kNoNew = QStringLiteral("Check Complete.\nNO find new version!");
const QString kNewer = QStringLiteral("Find New Version!\nDo you want to download Now?");
const QString kNoFile = QStringLiteral("Can not find the Newest ini file!");
} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (NginxServer::binary().isEmpty() || !TestCerts::available()) return;
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

    void checkTls_data() {
        QTest::addColumn<bool>("known");
        QTest::newRow("known authority") << true;
        QTest::newRow("unknown authority") << false;
    }

    void checkTls() {
        QFETCH(bool, known);
        if (!m_good) QSKIP("nginx or openssl is not installed");
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
    // authority of --ca-file.
    void mqUpdateCheckTls() {
        if (!m_good) QSKIP("nginx or openssl is not installed");
        const QString server = QStringLiteral("https://127.0.0.1:%1").arg(m_good->port());
        MqRunner trusted;
        QCOMPARE(trusted.run({"update-check", "--server", server, "--ca-file",
                              m_certs.path(QStringLiteral("ca-good.pem"))}),
                 0);
        QVERIFY2(trusted.out().contains("\"newer\":true,\"downSite\":\"https://dl.test/mq91.zip\""),
                 trusted.out().constData());
        MqRunner wrong;
        QCOMPARE(wrong.run({"update-check", "--server", QStringLiteral("https://")}), 1);
        QVERIFY(wrong.err().contains("--server takes [https://]HOST[:PORT]"));
    }

    void evaluate_data() {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("newer");
        QTest::addColumn<QString>("downSite");
        const auto row = [](const char *tag, const QByteArray &response, const QString &label,
                            const QString &downSite) {
            QTest::newRow(tag) << response << label << !downSite.isEmpty() << downSite;
        };
        row("same version", kHeader + "Newest Version:1.3\r\nDownSite:http://dl.test/mq.zip\r\n",
            kNoNew, "");
        row("newer, key in lower case",
            kHeader + "newest version: 1.4\r\ndownsite:http://dl.test/mq14.zip", kNewer,
            "http://dl.test/mq14.zip");
        row("DownSite ending in a line break",
            kHeader + "Newest Version:2\r\nDownSite:https://dl.test/a/mq2.exe\r\n", kNewer,
            "https://dl.test/a/mq2.exe");
        row("1.10 reads as 1.1", kHeader + "Newest Version:1.10\r\nDownSite:http://dl.test/x\r\n",
            kNoNew, "");
        row("1.31 is newer", kHeader + "Newest Version:1.31\r\nDownSite:http://dl.test/x\r\n",
            kNewer, "http://dl.test/x");
        row("no header separator", "HTTP/1.1 200 OK\r\nNewest Version:9\r\n", "Check Complete.",
            "");
        row("error page", "HTTP/1.1 404 Not Found\r\n\r\n<h1>Not Found</h1>", kNoFile, "");
        row("newer without DownSite", kHeader + "Newest Version:9.0\r\n", kNoFile, "");
        row("DownSite not http", kHeader + "Newest Version:9\r\nDownSite:ftp://dl.test/x", kNoFile,
            "");
        row("line break before the number",
            kHeader + "Newest Version:\r\n9\r\nDownSite:http://dl.test/x", kNoNew, "");
        row("key right behind the separator",
            "HTTP/1.0 200 OK\r\n\r\nNewest Version:7DownSite:http://dl.test/7", kNewer,
            "http://dl.test/7");
    }

    void evaluate() {
        QFETCH(QByteArray, response);
        const UpdateVerdict verdict = UpdateText::Evaluate(response, QStringLiteral("1.3"));
        QTEST(QString(verdict.label), "label");
        QTEST(bool(verdict.newer), "newer");
        QTEST(QString(verdict.downSite), "downSite");
    }

    void versionNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shortest");
        QTest::newRow("1.10") << "1.10" << QString("1.1");
        QTest::newRow("1.4 and more") << " 1.4\r\nDownSite" << QString("1.4");
        QTest::newRow("cut at 10 characters") << "1.23456789012" << QString("1.2345679");
        QTest::newRow("not a number") << "beta" << QString("0");
    }

    void versionNumbers() {
        QFETCH(QString, text);
        QTEST(QString(UpdateText::ShortestText(UpdateText::VersionNumber(text))), "shortest");
    }

    void check_requestAndLabels() {
        FaultHttpServer server;
        server.resource("/newmoorquill.txt").body =
            "Newest Version:1.5\r\nDownSite:http://dl.test/1.5\r\n";
        UpdateCheck check;
        QStringList labels;
        connect(&check, &UpdateCheck::labelChanged, this,
                [&labels](const QString &t) { labels << t; });
        QSignalSpy finished(&check, &UpdateCheck::finished);
        check.Start(QStringLiteral("127.0.0.1"), server.port(), QStringLiteral("1.3"));
        QVERIFY(finished.wait(10000));
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests.first(),
                 QByteArray("GET /newmoorquill.txt HTTP/1.1\r\nAccept: */*\r\n"
                            "User-Agent: MoorQuill1.0\r\nHost: 127.0.0.1:" +
                            QByteArray::number(server.port()) +
                            "\r\n"
                            "Connection: close\r\n\r\n"));
        QCOMPARE(labels, (QStringList{"Connect to the internet...", "Connect Success!",
                                      "Check Complete.", kNewer}));
        QCOMPARE(check.verdict().downSite, QStringLiteral("http://dl.test/1.5"));
    }

    void check_errors_data() {
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("labelStart");
        QTest::newRow("refused") << true << QString("Error:10061");
        QTest::newRow("silent server times out") << false << QString("Error:10060");
    }

    void check_errors() {
        QFETCH(bool, refused);
        QFETCH(QString, labelStart);
        QTcpServer silent; // takes the connection, never answers
        silent.listen(QHostAddress::LocalHost, 0);
        const quint16 port = silent.serverPort();
        if (refused) silent.close();
        UpdateCheck check;
        check.timeoutMs = 400;
        QSignalSpy finished(&check, &UpdateCheck::finished);
        check.Start(QStringLiteral("127.0.0.1"), port, QStringLiteral("1.3"));
        QVERIFY(finished.wait(10000));
        QVERIFY2(check.label().startsWith(labelStart), qPrintable(check.label()));
        QVERIFY(!check.verdict().newer);
    }

private:
    TestCerts m_certs;
    std::unique_ptr<NginxServer> m_good, m_stranger;
};

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
