// A job paused and continued: after a restart (the file on the server kept
// or replaced), before the first answer, during a stall, loaded as paused,
// and with every part already there.
#include "common/JobFields.h"
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
        QTest::newRow("in another field") << head + "X-Content-Range: bytes 0-1/2\r\n\r\n" << true;
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
        EngineRig rig;
        FaultHttpServer &server = rig.server;
        server.serve("/m.swf", 2000000);
        Resource &r = server.resource("/m.swf");
        r.chunk = 20000;
        r.intervalMs = 5;
        r.etag = oldTag;
        const QByteArray old = r.body;
        rig.core.paths.JobDbPath = rig.dir.filePath(QStringLiteral("default.mqb"));
        const int index = rig.addJob(server.url("/m.swf"), parts);
        rig.start(index);
        QVERIFY(rig.pauseAfter(index, 300000));
        const DownJobRecord paused = rig.job(index);
        COMPARE_FIELDS(paused, "{'IsNew': 0, 'FileOpen': 0}");
        QVERIFY(paused.Received < 2000000);
        QCOMPARE(rig.core.lvNowDown.row(0).iconKey, QStringLiteral("Pause"));

        // A restart: a new core with only the table and the file left.
        const QByteArray fresh = newSize ? FaultHttpServer::pattern(newSize + 7).mid(7) : old;
        r.body = fresh;
        r.etag = newTag;
        r.intervalMs = 0;
        r.ranges = ranges;
        rig.restart();
        server.requests.clear();
        rig.start(index);
        QVERIFY(rig.waitFinished());
        const DownJobRecord &rec = rig.job(index);
        VERIFY_COMPLETE(rig, index, fresh);
        QCOMPARE(rec.SavePath, paused.SavePath);
        QCOMPARE(rec.TotalSize, qint32(fresh.size()));
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

    // Paused before the first answer, the job starts again from nothing;
    // paused while the server stalls after the header, it keeps its size.
    void pauseWhileWaiting_data() {
        QTest::addColumn<bool>("answered");
        QTest::newRow("before the first answer") << false;
        QTest::newRow("during a stall") << true;
    }
    void pauseWhileWaiting() {
        QFETCH(bool, answered);
        QTcpServer silent; // accepts and never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        EngineRig rig;
        const Resource r = rig.server.serve("/s.swf", 100000);
        rig.server.resource("/s.swf").stall = true;
        const QString url = QStringLiteral("http://127.0.0.1:%1/s.swf").arg(silent.serverPort());
        const int index = rig.addJob(answered ? rig.url("/s.swf") : url, 3);
        rig.start(index);
        const QString report = answered ? QStringLiteral("Response") : QStringLiteral("Request");
        QTRY_VERIFY_WITH_TIMEOUT(rig.count(report) >= 1, 5000);
        clsDownLoadJob *job = rig.events->clsDownJob(1);
        QVERIFY(job->Busy);
        job->Pause();
        QCOMPARE(job->OpenConnections(), 0);
        if (answered) {
            COMPARE_FIELDS(rig.job(index), "{'State': 2, 'IsNew': 0, 'TotalSize': 100000}");
            QCOMPARE(QFileInfo(rig.job(index).SavePath).size(), 100000);
        } else {
            COMPARE_FIELDS(rig.job(index), "{'State': 2, 'IsNew': -1}");
        }
        rig.server.resource("/s.swf").stall = false;
        rig.job(index).Url = rig.url("/s.swf");
        rig.server.requests.clear();
        rig.start(index);
        QVERIFY(rig.waitFinished());
        if (!answered) QVERIFY(!rig.server.requests[0].contains("Range:"));
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
        COMPARE_FIELDS(jobs[1], "{'State': 2, 'FileOpen': 0, 'IsNew': 0}");
        QCOMPARE(jobs[2].IsNew, kTrue);
        QCOMPARE(jobs[3].State, qint32(StateComplete));
    }

    void continueWhenEverythingIsThere_data() {
        QTest::addColumn<int>("parts");
        for (int parts : {1, 3})
            QTest::addRow("%d parts all there", parts) << parts;
    }

    void continueWhenEverythingIsThere() {
        QFETCH(int, parts);
        EngineRig rig;
        const Resource r = rig.server.serve("/e.swf", 300000);
        const int index = rig.addJob(rig.url("/e.swf"), parts);
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
        VERIFY_COMPLETE(rig, index, r.body);
        QCOMPARE(rig.count(QStringLiteral("Restart")), 0);
    }
};

QTEST_GUILESS_MAIN(TestJobPause)
#include "tst_jobpause.moc"
