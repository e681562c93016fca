#include "common/FaultHttpServer.h"
#include "engine/EngineRig.h"
#include "engine/ResumeValidator.h"

#include <QtTest>

using Resource = FaultHttpServer::Resource;

// Continuing a paused job whose file on the server was replaced meanwhile:
// the job starts again and ends with the new file, never a mix of both.

class TestSafeResume : public QObject {
    Q_OBJECT
private slots:
    void sameSize_data() {
        QTest::addColumn<QString>("header");
        QTest::addColumn<bool>("same");
        const auto row = [](const char *tag, const QString &header, bool same) {
            QTest::newRow(tag) << header << same;
        };
        row("equal", "HTTP/1.1 206 P\r\nContent-Range: bytes 5-9/10\r\n\r\n", true);
        row("other", "HTTP/1.1 206 P\r\nContent-Range: bytes 5-10/11\r\n\r\n", false);
        row("unknown total", "HTTP/1.1 206 P\r\nContent-Range: bytes 5-9/*\r\n\r\n", true);
        row("absent", "HTTP/1.1 206 P\r\n\r\n", true);
        row("only in another field", "HTTP/1.1 206 P\r\nX-Content-Range: bytes 0-1/2\r\n\r\n",
            true);
    }

    void sameSize() {
        QFETCH(QString, header);
        QTEST(ResumeValidator::SameSize(header, 10), "same");
    }

    void replacedBetweenPauseAndContinue_data() {
        QTest::addColumn<int>("parts");
        QTest::addColumn<int>("newSize");
        QTest::addColumn<QByteArray>("oldTag");
        QTest::addColumn<QByteArray>("newTag");
        QTest::addColumn<bool>("restarts");
        QTest::newRow("other size, 1 part") << 1 << 1500000 << QByteArray() << QByteArray() << true;
        QTest::newRow("other size, 4 parts")
            << 4 << 2600000 << QByteArray() << QByteArray() << true;
        QTest::newRow("same size, new ETag, 1 part")
            << 1 << 2000000 << QByteArray("\"v1\"") << QByteArray("\"v2\"") << true;
        QTest::newRow("same size, new ETag, 3 parts")
            << 3 << 2000000 << QByteArray("\"v1\"") << QByteArray("\"v2\"") << true;
        QTest::newRow("unchanged, same ETag")
            << 3 << 2000000 << QByteArray("\"v1\"") << QByteArray("\"v1\"") << false;
    }

    void replacedBetweenPauseAndContinue() {
        QFETCH(int, parts);
        QFETCH(int, newSize);
        QFETCH(QByteArray, oldTag);
        QFETCH(QByteArray, newTag);
        QFETCH(bool, restarts);
        FaultHttpServer server;
        Resource r;
        r.body = FaultHttpServer::pattern(2000000);
        r.chunk = 20000;
        r.intervalMs = 5;
        r.etag = oldTag;
        server.setResource(QStringLiteral("/m.swf"), r);
        EngineRig rig;
        rig.core.paths.JobDbPath = rig.dir.filePath(QStringLiteral("default.mqb"));
        const int index = rig.addJob(server.url(QStringLiteral("/m.swf")), parts);
        rig.start(index);
        QVERIFY(rig.pauseAfter(index, 300000));

        // Replaced on the server, then continued after a restart of the program.
        QByteArray fresh = restarts ? FaultHttpServer::pattern(newSize + 7).mid(7) : r.body;
        Resource &now = server.resource(QStringLiteral("/m.swf"));
        now.body = fresh;
        now.etag = newTag;
        now.intervalMs = 0;
        rig.restart();
        server.requests.clear();
        rig.start(index);
        QVERIFY(rig.waitFinished());
        const DownJobRecord &rec = rig.job(index);
        QVERIFY2(rec.State == StateComplete, qPrintable(rig.logTexts().join('|')));
        QCOMPARE(rec.TotalSize, qint32(fresh.size()));
        QCOMPARE(EngineRig::sha(EngineRig::fileBytes(rec.SavePath)), EngineRig::sha(fresh));
        QCOMPARE(rig.logTexts().count(QStringLiteral("File changed on server, restart")),
                 restarts ? 1 : 0);
        // The continuing request names the file it continues.
        if (!oldTag.isEmpty())
            QVERIFY(server.requests.value(0).contains("\r\nIf-Range: " + oldTag + "\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestSafeResume)
#include "tst_saferesume.moc"
