#include "EngineRig.h"
#include "engine/JobCommands.h"
#include "engine/JobDbAutoSave.h"

#include <QtTest>

namespace {
struct Rig : EngineRig {
    JobCommands commands{core.engine(), *events};
    Rig() {
        server.serve("/stall.swf", 4096);
        server.resource("/stall.swf").stall = true;
        server.serve("/quick.swf", 3000);
        core.lists.startRule = [this](int job, int) { events->StartRule(job); };
    }
    // A job listed in lvNowDown (started by the start rule when waiting).
    int list(const QString &path, int state) {
        const int index = core.DownJobs.add(record(path, state));
        core.lists.AddJobToList(index);
        return index;
    }
    DownJobRecord record(const QString &path, int state) {
        const QString name = QStringLiteral("f%1.swf").arg(core.DownJobs.DownCount() + 1);
        return EngineRig::record(server.url(path), 1, name, state);
    }
    bool busy(int slot) const { return events->clsDownJob(slot)->Busy; }
    int state(int index) { return core.DownJobs[index].State; }
    QString icon(int index) {
        return core.lvNowDown.row(core.lvNowDown.rowOfKey(DownloadEvents::RowKey(index))).iconKey;
    }
    int row(int index) const { return core.lvNowDown.rowOfKey(DownloadEvents::RowKey(index)); }
    QString stateAndIcon(int index) { return QString::number(state(index)) + ' ' + icon(index); }
};
} // namespace

// The eight slots, the free-slot search, the waiting queue and the four job
// commands, with jobs that stall on the test server (they keep their slot)
// or finish when the test lets them.
class TestScheduler : public QObject {
    Q_OBJECT
private slots:
    void findOneCls_data() {
        QTest::addColumn<int>("maxjobs");
        QTest::addColumn<QList<int>>("busy");
        QTest::addColumn<int>("found");
        QTest::newRow("all free") << 5 << QList<int>{} << 1;
        QTest::newRow("lowest free wins") << 3 << QList<int>{1, 3} << 2;
        QTest::newRow("all within Maxjobs busy") << 2 << QList<int>{1, 2} << 0;
        QTest::newRow("slots above Maxjobs never") << 2 << QList<int>{1, 2, 4} << 0;
        QTest::newRow("Maxjobs 0: none") << 0 << QList<int>{} << 0;
        QTest::newRow("eight") << 8 << QList<int>{1, 2, 3, 4, 5, 6, 7} << 8;
        QTest::newRow("Maxjobs above eight") << 12 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << 0;
    }

    void findOneCls() {
        QFETCH(int, maxjobs);
        QFETCH(QList<int>, busy);
        QFETCH(int, found);
        Rig rig;
        rig.core.settings.Maxjobs = qint16(maxjobs);
        for (int slot : busy)
            rig.events->clsDownJob(slot)->Busy = true;
        rig.events->FoundSlot = 7;
        clsDownLoadJob *job = rig.events->FindOneCls();
        QCOMPARE(rig.events->FoundSlot, found);
        QCOMPARE(job, found ? rig.events->clsDownJob(found) : nullptr);
    }

    void findSelectCls() {
        Rig rig;
        rig.events->slot(2).jobIndex = 5;
        rig.events->slot(4).jobIndex = 5;
        QCOMPARE(rig.events->FindSelectClsId(5), 2);
        QCOMPARE(rig.events->FindSelectClsId(6), 0);
        QCOMPARE(rig.events->FindSelectCls(5), nullptr); // SlotJob is kept after the job ends
        rig.events->clsDownJob(4)->Busy = true;
        QCOMPARE(rig.events->FindSelectCls(5), rig.events->clsDownJob(4));
    }

    void maxjobsTwoWithThreeWaitingJobs() {
        Rig rig;
        rig.core.settings.Maxjobs = 2;
        const int first = rig.list("/quick.swf", 3);
        const int second = rig.list("/stall.swf", 3);
        const int third = rig.list("/stall.swf", 3);
        QCOMPARE(rig.events->slot(1).jobIndex, first);
        QCOMPARE(rig.events->slot(2).jobIndex, second);
        QVERIFY(rig.busy(1) && rig.busy(2) && !rig.busy(3));
        QCOMPARE(rig.state(third), 3);
        QVERIFY(rig.finished->wait(5000));
        QCOMPARE(rig.finished->first().at(0).toInt(), first);
        QCOMPARE(rig.state(first), 4);
        QCOMPARE(rig.events->slot(1).jobIndex, third);
        QVERIFY(rig.busy(1));
        QCOMPARE(rig.state(third), 1);
    }

    void loweringMaxjobsStopsNothing() {
        Rig rig;
        rig.core.settings.Maxjobs = 3;
        for (int i = 0; i < 3; ++i)
            rig.list("/stall.swf", 3);
        const int waiting = rig.list("/stall.swf", 3);
        rig.core.settings.Maxjobs = 1;
        QVERIFY(rig.busy(1) && rig.busy(2) && rig.busy(3));
        rig.commands.PauseJob(rig.row(2)); // frees slot 2, which is above Maxjobs now
        QVERIFY(!rig.busy(2));
        QCOMPARE(rig.state(waiting), 3);
        rig.commands.PauseJob(rig.row(1)); // slot 1 is free and within Maxjobs
        QCOMPARE(rig.events->slot(1).jobIndex, waiting);
        QCOMPARE(rig.state(waiting), 1);
        QVERIFY(rig.busy(3));
    }

    void nextWaitingJobByTableOrder() {
        Rig rig;
        rig.core.settings.Maxjobs = 0; // listed without starting, as at start-up
        for (int i = 1; i <= 9; ++i)
            rig.core.DownJobs.add(rig.record("/stall.swf", i == 4 || i == 9 ? 3 : 4));
        rig.core.lists.AddJobToList(9); // job 9 is listed above job 4
        rig.core.lists.AddJobToList(4);
        QCOMPARE(rig.events->BusySlots(), 0);
        rig.core.settings.Maxjobs = 1;
        QVERIFY(rig.events->StartNextWaitingJob());
        QCOMPARE(rig.events->slot(1).jobIndex, 4);
        QVERIFY(!rig.events->StartNextWaitingJob()); // at most one per call; no slot left
        QCOMPARE(rig.state(9), 3);
    }

    void startAllSkipsTheRunningJobInListOrder() {
        Rig rig;
        rig.core.settings.Maxjobs = 1;
        const int running = rig.list("/quick.swf", 3);
        QVector<int> paused;
        for (int i = 0; i < 3; ++i)
            paused << rig.list("/stall.swf", 2);
        QCOMPARE(rig.events->slot(1).jobIndex, running);
        QSignalSpy waiting(&rig.commands, &JobCommands::JobWaiting);
        rig.commands.StartAll();
        QCOMPARE(waiting.count(), 3);
        for (int index : paused)
            QCOMPARE(rig.stateAndIcon(index), QString("3 Waitfor"));
        QVERIFY(rig.finished->wait(5000));
        QCOMPARE(rig.events->slot(1).jobIndex, paused[0]);
        QCOMPARE(rig.state(paused[0]), 1);
        QCOMPARE(rig.state(paused[1]), 3);
    }

    void pausingAWaitingJobStartsTheNext() {
        Rig rig;
        rig.core.settings.Maxjobs = 1;
        const int running = rig.list("/stall.swf", 3);
        const int a = rig.list("/stall.swf", 3);
        const int b = rig.list("/stall.swf", 3);
        rig.commands.PauseJob(rig.row(a)); // holds no slot: state and icon only
        QCOMPARE(rig.stateAndIcon(a), QString("2 Pause"));
        QCOMPARE(rig.events->slot(1).jobIndex, running);
        QCOMPARE(rig.state(b), 3);
        rig.core.settings.Maxjobs = 2; // a slot is free now: the next waiting job takes it
        rig.commands.PauseJob(rig.row(a));
        QCOMPARE(rig.events->slot(2).jobIndex, b);
        QCOMPARE(rig.state(b), 1);
        rig.commands.PauseJob(-1); // no selection: nothing
        rig.commands.PauseJob(rig.core.lvNowDown.count());
        QCOMPARE(rig.state(running), 1);
    }

    void pauseAllStartsNothing() {
        Rig rig;
        rig.core.settings.Maxjobs = 2;
        const int a = rig.list("/stall.swf", 3);
        const int b = rig.list("/stall.swf", 3);
        const int c = rig.list("/stall.swf", 3);
        const int d = rig.list("/stall.swf", 5);
        QSignalSpy paused(&rig.commands, &JobCommands::JobsPaused);
        rig.commands.PauseAll();
        QCOMPARE(paused.count(), 1);
        QCOMPARE(rig.events->BusySlots(), 0);
        for (int index : {a, b, c})
            QCOMPARE(rig.stateAndIcon(index), QString("2 Pause"));
        QCOMPARE(rig.state(d), 5); // errors stay
        QTRY_COMPARE(rig.server.openConnections(), 0);
    }

    void startingWithoutAFreeSlotWaits() {
        Rig rig;
        rig.core.settings.Maxjobs = 1;
        rig.list("/stall.swf", 3);
        const int paused = rig.list("/stall.swf", 2);
        rig.commands.StartJob(rig.row(paused));
        QCOMPARE(rig.stateAndIcon(paused), QString("3 Waitfor"));
        rig.commands.StartJob(rig.row(1)); // already running: nothing changes
        QCOMPARE(rig.state(1), 1);
        QCOMPARE(rig.events->BusySlots(), 1);
    }

    void autoSaveCoalescesAndTicksWhileBusy() {
        Rig rig;
        int saves = 0;
        JobDbAutoSave autoSave(*rig.events, [&saves] { return ++saves > 0; });
        QCOMPARE(autoSave.interval(), 30000);
        QSignalSpy saved(&autoSave, &JobDbAutoSave::Saved);
        autoSave.saveSoon();
        autoSave.saveSoon();
        autoSave.saveSoon();
        QVERIFY(saved.wait(1000));
        QCOMPARE(saves, 1); // one pass of the event loop, one save
        QVERIFY(!autoSave.ticking());

        autoSave.setInterval(10);
        rig.list("/stall.swf", 3); // a job starts: saves follow while it runs
        QVERIFY(autoSave.ticking());
        QTRY_VERIFY(saves >= 3);
        rig.commands.PauseAll();
        QTRY_VERIFY(!autoSave.ticking()); // nothing runs: the interval stops
        const int after = saves;
        rig.list("/quick.swf", 3);
        QTRY_COMPARE(rig.state(2), 4);
        QVERIFY(saves > after); // completion saves at once
    }
};

QTEST_MAIN(TestScheduler)
#include "tst_scheduler.moc"
