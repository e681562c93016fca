#include "common/FaultHttpServer.h"
#include "common/MqRunner.h"
#include "common/TestFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// `mq get` run as a separate program against the fault-injecting server.

class TestMqGet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(MqRunner::binary()).isExecutable(), qPrintable(MqRunner::binary()));
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no URL") << QStringList{"get"};
        QTest::newRow("parts 11") << QStringList{"get", "http://h/x", "--parts", "11"};
        QTest::newRow("parts text") << QStringList{"get", "http://h/x", "--parts", "many"};
        QTest::newRow("missing value") << QStringList{"get", "http://h/x", "--dir"};
        QTest::newRow("bad proxy") << QStringList{"get", "http://h/x", "--proxy", "host"};
        QTest::newRow("two URLs") << QStringList{"get", "http://h/x", "http://h/y"};
        QTest::newRow("negative limit") << QStringList{"get", "http://h/x", "--limit", "-1"};
        QTest::newRow("limit text") << QStringList{"get", "http://h/x", "--limit", "fast"};
        QTest::newRow("limit without value") << QStringList{"get", "http://h/x", "--limit"};
        QTest::newRow("missing CA file")
            << QStringList{"get", "https://h/x", "--ca-file", "/nonexistent/ca.pem"};
        QTest::newRow("CA file without certificate")
            << QStringList{"get", "https://h/x", "--ca-file", "/etc/hostname"};
    }

    void usageErrors() {
        QFETCH(QStringList, args);
        MqRunner mq;
        QCOMPARE(mq.run(args), 1);
        QVERIFY(mq.err().startsWith("mq: get:"));
    }

    void downloadWithEventsAndLog() {
        FaultHttpServer server;
        const FaultHttpServer::Resource r = server.serve(QStringLiteral("/m/clip.swf"), 300000);
        QTemporaryDir dir;
        MqRunner mq;
        const int status =
            mq.run({"get", server.url(QStringLiteral("/m/clip.swf")), "--parts", "3", "--dir",
                    dir.path(), "--name", "out.swf", "--user-agent", "UA/2", "--events", "--log"});
        QCOMPARE(status, 0);
        QCOMPARE(readFileBytes(dir.filePath(QStringLiteral("out.swf"))), r.body);
        QVERIFY(server.requests.value(0).contains("\r\nUser-Agent: UA/2\r\n"));

        const QList<QByteArray> lines = mq.out().split('\n');
        QCOMPARE(lines[0], "{\"part\":1,\"type\":\"Connecting\",\"text\":\"127.0.0.1:" +
                               QByteArray::number(server.port()) + "\"}");
        int events = 0, logLines = 0;
        bool sawLogLine = false;
        for (const QByteArray &line : lines) {
            if (line.isEmpty()) continue;
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            QVERIFY2(!o.isEmpty(), line.constData());
            if (o.contains(QLatin1String("type")))
                ++events;
            else
                ++logLines;
            if (o.value(QLatin1String("text")).toString() == QLatin1String("Send Request."))
                sawLogLine = o.value(QLatin1String("icon")).toInt() == 100;
        }
        QVERIFY(events > 5);
        QVERIFY(logLines > 10);
        QVERIFY(sawLogLine);
    }

    void failedJobExitsWith2() {
        FaultHttpServer server;
        QTemporaryDir dir;
        MqRunner mq;
        QCOMPARE(mq.run({"get", server.url(QStringLiteral("/none.swf")), "--dir", dir.path()}), 2);
        QVERIFY(mq.err().contains("Request Url Error! 404"));
    }

    void interruptAndContinue() {
        FaultHttpServer server;
        const FaultHttpServer::Resource r = server.serve(QStringLiteral("/slow.swf"), 3000000);
        server.resource(QStringLiteral("/slow.swf")).chunk = 16000;
        server.resource(QStringLiteral("/slow.swf")).intervalMs = 5;
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("default.mqb"));
        const QStringList args{"get",     server.url(QStringLiteral("/slow.swf")),
                               "--parts", "4",
                               "--dir",   dir.path(),
                               "--db",    db,
                               "--events"};
        QProcess process;
        process.start(MqRunner::binary(), args);
        QVERIFY(process.waitForStarted(5000));
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).count("DataArrival") > 20,
                                 20000);
        ::kill(pid_t(process.processId()), SIGINT);
        QSignalSpy done(&process, &QProcess::finished);
        QVERIFY(done.wait(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 3);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("slow.swf"))).size() == r.body.size());
        QVERIFY(QFileInfo::exists(db));

        server.requests.clear();
        server.resource(QStringLiteral("/slow.swf")).intervalMs = 0;
        MqRunner again;
        QCOMPARE(again.run(args), 0);
        QVERIFY(server.requests.value(0).contains("Range: bytes="));
        QCOMPARE(readFileBytes(dir.filePath(QStringLiteral("slow.swf"))), r.body);
    }
};

QTEST_GUILESS_MAIN(TestMqGet)
#include "tst_mqget.moc"
