#include "common/FaultHttpServer.h"
#include "common/MqRunner.h"
#include "common/NginxServer.h"
#include "common/TestFiles.h"

#include <QDateTime>
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

    void interruptAndContinue_data() {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("unchanged") << false;
        QTest::newRow("replaced by a file of the same size") << true;
    }

    // Interrupted (SIGINT) and run again with the same --db against nginx: the
    // continuing requests name the file (If-Range, kept beside the database),
    // so the result is the server's file as it is now, never half old, half new.
    void interruptAndContinue() {
        QFETCH(bool, replaced);
        NginxServer nginx;
        if (!nginx.available()) QSKIP("nginx is not installed");
        const QByteArray old = FaultHttpServer::pattern(3000000);
        QVERIFY(nginx.put(QStringLiteral("slow.swf"), old));
        QVERIFY(nginx.start());
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("default.mqb"));
        const QStringList args{"get",     nginx.url(QStringLiteral("slow.swf")),
                               "--parts", "4",
                               "--dir",   dir.path(),
                               "--db",    db,
                               "--events"};
        QProcess process;
        process.start(MqRunner::binary(), args + QStringList{"--limit", "256"});
        QVERIFY(process.waitForStarted(5000));
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).count("DataArrival") > 4,
                                 20000);
        ::kill(pid_t(process.processId()), SIGINT);
        QSignalSpy done(&process, &QProcess::finished);
        QVERIFY(done.wait(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 3);
        QVERIFY(QFileInfo::exists(db));

        QByteArray now = old;
        if (replaced) {
            now = FaultHttpServer::pattern(old.size() + 7).mid(7);
            QVERIFY(nginx.put(QStringLiteral("slow.swf"), now));
            // nginx's ETag and Last-Modified come from the time in seconds.
            QFile file(nginx.root() + QStringLiteral("/slow.swf"));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(100),
                                     QFileDevice::FileModificationTime));
        }
        MqRunner again;
        QCOMPARE(again.run(args), 0);
        const QByteArray events = again.out();
        QVERIFY(events.contains("If-Range: "));
        QCOMPARE(events.contains("File changed on server, restart"), replaced);
        QCOMPARE(readFileBytes(dir.filePath(QStringLiteral("slow.swf"))), now);
    }
};

QTEST_GUILESS_MAIN(TestMqGet)
#include "tst_mqget.moc"
