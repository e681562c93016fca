// A job paused and continued: after a restart, before the first answer,
// during a stall, loaded as paused, and with every part already there.
#include "common/FaultHttpServer.h"
#include "common/JobFields.h"
#include "common/TestFiles.h"
#include "engine/EngineRig.h"
#include "engine/FilePreallocator.h"
#include "engine/RangeBook.h"

#include <QTcpServer>
#include <QtTest>

using Resource = FaultHttpServer::Resource;
Q_DECLARE_METATYPE(Resource)

class TestJobPause : public QObject {
    Q_OBJECT
private slots:
    void pauseAndContinueAfterRestart_data() {
        QTest::addColumn<int>("parts");
        QTest::addColumn<bool>("rangesOnContinue");
        QTest::newRow("1 part") << 1 << true;
        QTest::newRow("4 parts") << 4 << true;
        QTest::newRow("server drops ranges meanwhile") << 3 << false;
    }

    void pauseAndContinueAfterRestart() {
        QFETCH(int, parts);
        QFETCH(bool, rangesOnContinue);
        FaultHttpServer server;
        Resource r = server.serve(QStringLiteral("/big.swf"), 2000000);
        server.resource(QStringLiteral("/big.swf")).chunk = 20000;
        server.resource(QStringLiteral("/big.swf")).intervalMs = 5;
        EngineRig rig;
        const int index = rig.addJob(server.url(QStringLiteral("/big.swf")), parts);
        rig.start(index);
        QVERIFY(rig.pauseAfter(index, 300000));
        const DownJobRecord paused = rig.job(index);
        QCOMPARE(paused.IsNew, kFalse);
        QCOMPARE(paused.FileOpen, kFalse);
        QVERIFY(paused.Received < 2000000);
        QCOMPARE(rig.core.lvNowDown.row(0).iconKey, QStringLiteral("Pause"));

        // A restart: a new core with only the table and the file left.
        rig.restart();
        server.requests.clear();
        server.resource(QStringLiteral("/big.swf")).intervalMs = 0;
        server.resource(QStringLiteral("/big.swf")).ranges = rangesOnContinue;
        rig.start(index);
        QVERIFY(rig.waitFinished());
        const DownJobRecord &rec = rig.job(index);
        QCOMPARE(rec.State, qint32(StateComplete));
        QCOMPARE(EngineRig::sha(EngineRig::fileBytes(rec.SavePath)), EngineRig::sha(r.body));
        QCOMPARE(rec.SavePath, paused.SavePath);
        QCOMPARE(rec.TotalSize, paused.TotalSize);
        if (rangesOnContinue) {
            QVERIFY(server.requests[0].contains(
                "Range: bytes=" + QByteArray::number(paused.part(1).Pos) + "-\r\n"));
            for (int k = 2; k <= parts; ++k)
                QCOMPARE(rec.part(k).StartPos, paused.part(k).StartPos);
            QCOMPARE(rig.count(QStringLiteral("Restart")), 0);
        } else {
            QCOMPARE(rig.count(QStringLiteral("Restart")), 1);
        }
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
