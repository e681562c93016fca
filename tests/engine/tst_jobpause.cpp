// A job paused and continued: after a restart (the file on the server kept
// or replaced), before the first answer, during a stall, loaded as paused,
// and with every part already there.
#include "common/FaultHttpServer.h"
#include "common/TestFiles.h"
#include "engine/EngineRig.h"
#include "engine/RangeBook.h"
#include "engine/ResumeValidator.h"

#include <QTcpServer>
#include <QtTest>

using Resource = FaultHttpServer::Resource;

class TestJobPause : public QObject {
    Q_OBJECT
private slots:
    void sameSize_data() {
        QTest::addColumn<QString>("header");
        QTest::addColumn<bool>("same");
        const QString head = "HTTP/1.1 206 P\r\n";
        QTest::newRow("equal") << head + "Content-Range: bytes 5-9/10\r\n\r\n" << true;
        QTest::newRow("other") << head + "Content-Range: bytes 5-10/11\r\n\r\n" << false;
        QTest::newRow("unknown total") << head + "Content-Range: bytes 5-9/*\r\n\r\n" << true;
        QTest::newRow("absent") << head + "\r\n" << true;
        QTest::newRow("only in another field") << head + "X-Content-Range: bytes 0-1/2\r\n\r\n"
                                               << true;
    }

    void sameSize() {
        QFETCH(QString, header);
        QTEST(ResumeValidator::SameSize(header, 10), "same");
    }

    // Paused, the program restarted, continued: with the same file on the
    // server the parts go on where they stopped; a file replaced meanwhile
    // (other size, other ETag) starts again and ends as the new file, never a
    // mix of both.
    void continueAfterRestart_data() {
        QTest::addColumn<int>("parts");
        QTest::addColumn<bool>("ranges"); // the server still answers ranges on continue
        QTest::addColumn<int>("newSize"); // 0: the file is unchanged
        QTest::addColumn<QByteArray>("oldTag");
        QTest::addColumn<QByteArray>("newTag");
        const QByteArray none, v1("\"v1\""), v2("\"v2\"");
        QTest::newRow("1 part") << 1 << true << 0 << none << none;
        QTest::newRow("4 parts") << 4 << true << 0 << none << none;
        QTest::newRow("server drops ranges meanwhile") << 3 << false << 0 << none << none;
        QTest::newRow("unchanged, same ETag") << 3 << true << 0 << v1 << v1;
        QTest::newRow("other size, 1 part") << 1 << true << 1500000 << none << none;
        QTest::newRow("other size, 4 parts") << 4 << true << 2600000 << none << none;
        QTest::newRow("same size, new ETag, 1 part") << 1 << true << 2000000 << v1 << v2;
        QTest::newRow("same size, new ETag, 3 parts") << 3 << true << 2000000 << v1 << v2;
    }

    void continueAfterRestart() {
        QFETCH(int, parts);
        QFETCH(bool, ranges);
        QFETCH(int, newSize);
        QFETCH(QByteArray, oldTag);
        QFETCH(QByteArray, newTag);
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
        const DownJobRecord paused = rig.job(index);
        QCOMPARE(paused.IsNew, kFalse);
        QCOMPARE(paused.FileOpen, kFalse);
        QVERIFY(paused.Received < 2000000);
        QCOMPARE(rig.core.lvNowDown.row(0).iconKey, QStringLiteral("Pause"));

        // A restart: a new core with only the table and the file left.
        const QByteArray fresh = newSize ? FaultHttpServer::pattern(newSize + 7).mid(7) : r.body;
        Resource &now = server.resource(QStringLiteral("/m.swf"));
        now.body = fresh;
        now.etag = newTag;
        now.intervalMs = 0;
        now.ranges = ranges;
        rig.restart();
        server.requests.clear();
        rig.start(index);
        QVERIFY(rig.waitFinished());
        const DownJobRecord &rec = rig.job(index);
        QVERIFY2(rec.State == StateComplete, qPrintable(rig.logTexts().join('|')));
        QCOMPARE(rec.SavePath, paused.SavePath);
        QCOMPARE(rec.TotalSize, qint32(fresh.size()));
        QCOMPARE(EngineRig::sha(EngineRig::fileBytes(rec.SavePath)), EngineRig::sha(fresh));
        // A "200" to the continuing range request starts the file again too.
        QCOMPARE(rig.logTexts().count(QStringLiteral("File changed on server, restart")),
                 newSize || !ranges ? 1 : 0);
        // The continuing request names the file it continues.
        if (!oldTag.isEmpty())
            QVERIFY(server.requests.value(0).contains("\r\nIf-Range: " + oldTag + "\r\n"));
        if (newSize) return;
        if (ranges) {
            QVERIFY(server.requests[0].contains(
                "Range: bytes=" + QByteArray::number(paused.part(1).Pos) + "-\r\n"));
            for (int k = 2; k <= parts; ++k)
                QCOMPARE(rec.part(k).StartPos, paused.part(k).StartPos);
        }
        QCOMPARE(rig.count(QStringLiteral("Restart")), ranges ? 0 : 1);
    }

    void pauseBeforeFirstAnswerStartsAgain() {
        QTcpServer silent; // accepts and never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        EngineRig rig;
        const int index =
            rig.addJob(QStringLiteral("http://127.0.0.1:%1/s.swf").arg(silent.serverPort()), 3);
        rig.start(index);
        QTRY_VERIFY_WITH_TIMEOUT(rig.count(QStringLiteral("Request")) == 1, 5000);
        rig.events->clsDownJob(1)->Pause();
        QCOMPARE(rig.job(index).State, qint32(StatePaused));
        QCOMPARE(rig.job(index).IsNew, kTrue);

        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/s.swf"), 100000);
        rig.job(index).Url = server.url(QStringLiteral("/s.swf"));
        rig.start(index);
        QVERIFY(rig.waitFinished());
        QVERIFY(!server.requests[0].contains("Range:"));
        QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
    }

    void loadAsPaused() {
        JobTable jobs;
        DownJobRecord killed;
        killed.State = StateRunning;
        killed.FileOpen = kTrue;
        killed.IsNew = kTrue;
        killed.TotalSize = 100;
        DownJobRecord early = killed;
        early.TotalSize = 0;
        DownJobRecord done;
        done.State = StateComplete;
        jobs.add(killed);
        jobs.add(early);
        jobs.add(done);
        DownloadEvents::LoadAsPaused(jobs);
        QCOMPARE(jobs[1].State, qint32(StatePaused));
        QCOMPARE(jobs[1].FileOpen, kFalse);
        QCOMPARE(jobs[1].IsNew, kFalse);
        QCOMPARE(jobs[2].IsNew, kTrue);
        QCOMPARE(jobs[3].State, qint32(StateComplete));
    }

    void pauseDuringStall() {
        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/st.swf"), 100000);
        server.resource(QStringLiteral("/st.swf")).stall = true;
        EngineRig rig;
        const int index = rig.addJob(server.url(QStringLiteral("/st.swf")), 2);
        rig.start(index);
        QTRY_VERIFY_WITH_TIMEOUT(rig.count(QStringLiteral("Response")) >= 1, 5000);
        clsDownLoadJob *job = rig.events->clsDownJob(1);
        QVERIFY(job->Busy);
        job->Pause();
        QCOMPARE(job->OpenConnections(), 0);
        QCOMPARE(rig.job(index).State, qint32(StatePaused));
        QCOMPARE(rig.job(index).IsNew, kFalse);
        QCOMPARE(rig.job(index).TotalSize, 100000);
        QCOMPARE(QFileInfo(rig.job(index).SavePath).size(), 100000);
        server.resource(QStringLiteral("/st.swf")).stall = false;
        rig.start(index);
        QVERIFY(rig.waitFinished());
        QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
    }

    void continueWhenEverythingIsThere_data() {
        QTest::addColumn<int>("parts");
        QTest::newRow("1 part at the end") << 1;
        QTest::newRow("3 parts all complete") << 3;
    }

    void continueWhenEverythingIsThere() {
        QFETCH(int, parts);
        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/e.swf"), 300000);
        EngineRig rig;
        const int index = rig.addJob(server.url(QStringLiteral("/e.swf")), parts);
        DownJobRecord &rec = rig.job(index);
        rec.IsNew = kFalse;
        rec.State = StatePaused;
        rec.TotalSize = 300000;
        RangeBook::SplitRanges(rec, rec.TotalSize);
        if (parts > 1) rec.part(1).EndPos = rec.TotalSize / parts;
        for (int k = 1; k <= parts; ++k)
            rec.part(k).Pos = rec.part(k).EndPos + (k < parts ? 1 : 0);
        QVERIFY(writeFileBytes(rec.SavePath, r.body));
        rig.start(index);
        QVERIFY(rig.waitFinished());
        QCOMPARE(rig.job(index).State, qint32(StateComplete));
        QCOMPARE(rig.count(QStringLiteral("Restart")), 0);
        QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
    }
};

QTEST_GUILESS_MAIN(TestJobPause)
#include "tst_jobpause.moc"
