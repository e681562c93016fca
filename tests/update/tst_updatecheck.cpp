// The update check: the evaluation of the update file, the request on the
// wire, socket errors and time-outs, and `mq update-check`.
#include "common/FaultHttpServer.h"
#include "common/MqRunner.h"
#include "update/UpdateCheck.h"
#include "update/UpdateVerdict.h"

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
        QFETCH(QString, label);
        QFETCH(bool, newer);
        QFETCH(QString, downSite);
        const UpdateVerdict verdict = UpdateText::Evaluate(response, QStringLiteral("1.3"));
        QCOMPARE(verdict.label, label);
        QCOMPARE(verdict.newer, newer);
        QCOMPARE(verdict.downSite, downSite);
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
        QFETCH(QString, shortest);
        QCOMPARE(UpdateText::ShortestText(UpdateText::VersionNumber(text)), shortest);
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
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("labelStart");
        QTest::newRow("refused") << "refused" << QString("Error:10061");
        QTest::newRow("silent server times out") << "stall" << QString("Error:10060");
        QTest::newRow("no header separator") << "raw" << QString("Check Complete.");
    }

    void check_errors() {
        QFETCH(QString, mode);
        QFETCH(QString, labelStart);
        FaultHttpServer server;
        QTcpServer silent; // takes the connection, never answers
        silent.listen(QHostAddress::LocalHost, 0);
        quint16 port = server.port();
        if (mode == QLatin1String("refused")) {
            QTcpServer closed;
            closed.listen(QHostAddress::LocalHost, 0);
            port = closed.serverPort();
        } else if (mode == QLatin1String("stall")) {
            port = silent.serverPort();
        } else {
            server.resource("/newmoorquill.txt").raw = "HTTP/1.1 200 OK\r\nNewest Version:9\r\n";
        }
        UpdateCheck check;
        check.timeoutMs = 400;
        QSignalSpy finished(&check, &UpdateCheck::finished);
        check.Start(QStringLiteral("127.0.0.1"), port, QStringLiteral("1.3"));
        QVERIFY(finished.wait(10000));
        QVERIFY2(check.label().startsWith(labelStart), qPrintable(check.label()));
        QVERIFY(check.label() == labelStart || labelStart != QLatin1String("Check Complete."));
        QVERIFY(!check.verdict().newer);
    }

    void mqUpdateCheck_printsVerdict() {
        FaultHttpServer server;
        server.resource("/newmoorquill.txt").body =
            "NEWEST VERSION:1.9\r\nDownSite:http://dl.test/x.zip\r\n";
        MqRunner byOption;
        QCOMPARE(byOption.run({"update-check", "--server",
                               QStringLiteral("127.0.0.1:%1").arg(server.port())}),
                 0);
        QCOMPARE(
            byOption.out().trimmed(),
            QByteArray(
                "{\"label\":\"Find New Version!\\nDo you want to download Now?\",\"newer\":true,"
                "\"downSite\":\"http://dl.test/x.zip\"}"));
        server.resource("/newmoorquill.txt").body = "Newest Version:1.3";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MOORQUILL_UPDATE_SERVER"),
                   QStringLiteral("127.0.0.1:%1").arg(server.port()));
        MqRunner byEnvironment;
        QCOMPARE(byEnvironment.run({"update-check"}, env), 0);
        QCOMPARE(byEnvironment.out().trimmed(),
                 QByteArray("{\"label\":\"Check Complete.\\nNO find new "
                            "version!\",\"newer\":false,\"downSite\":\"\"}"));
        QCOMPARE(server.requests.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
