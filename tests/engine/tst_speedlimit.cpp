#include "common/FaultHttpServer.h"
#include "engine/EngineRig.h"

#include <QElapsedTimer>
#include <QtTest>

using Resource = FaultHttpServer::Resource;

// The speed limit of all downloads together: it holds while set, and a
// change reaches running downloads at once.

class TestSpeedLimit : public QObject {
    Q_OBJECT
private slots:
    void limitHolds_data() {
        QTest::addColumn<int>("parts");
        QTest::addColumn<int>("jobs");
        QTest::newRow("1 part") << 1 << 1;
        QTest::newRow("5 parts") << 5 << 1;
        QTest::newRow("two jobs of 3 parts") << 3 << 2;
    }

    void limitHolds() {
        QFETCH(int, parts);
        QFETCH(int, jobs);
        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/l.swf"), 1536 * 1024 / jobs);
        EngineRig rig;
        rig.core.settings.Maxjobs = 2;
        rig.core.settings.SpeedLimit = 512; // KiB/s: 1.5 MiB take 3 s
        QList<int> indexes;
        for (int j = 0; j < jobs; ++j)
            indexes << rig.addJob(server.url(QStringLiteral("/l.swf")), parts,
                                  QStringLiteral("l%1.swf").arg(j));
        QElapsedTimer clock;
        clock.start();
        for (int j = 0; j < jobs; ++j)
            rig.start(indexes[j], j + 1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.finished->count(), jobs, 20000);
        const qint64 ms = clock.elapsed();
        QVERIFY2(ms >= 2700 && ms < 6000, qPrintable(QString::number(ms)));
        for (int index : indexes) {
            QCOMPARE(rig.job(index).State, qint32(StateComplete));
            QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
        }
    }

    void liftedWhileRunning() {
        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/big.swf"), 8 * 1024 * 1024);
        EngineRig rig;
        rig.core.settings.SpeedLimit = 128; // 64 s for the whole file
        const int index = rig.addJob(server.url(QStringLiteral("/big.swf")), 4);
        rig.start(index);
        QTRY_VERIFY_WITH_TIMEOUT(rig.job(index).Received > 64 * 1024, 5000);
        QVERIFY(rig.job(index).Received < 1024 * 1024);
        rig.core.settings.SpeedLimit = 0;
        QVERIFY(rig.waitFinished());
        QCOMPARE(rig.job(index).State, qint32(StateComplete));
        QCOMPARE(EngineRig::sha(EngineRig::fileBytes(rig.job(index).SavePath)),
                 EngineRig::sha(r.body));
    }
};

QTEST_GUILESS_MAIN(TestSpeedLimit)
#include "tst_speedlimit.moc"
