#include "common/FaultHttpServer.h"
#include "common/MqRunner.h"
#include "common/TestFiles.h"
#include "jobs/CategoryStore.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "jobs/JobTable.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// `mq run` as a separate program over a job database of many jobs served by
// the fault-injecting server: the slots, the waiting queue, interrupting and
// continuing, and a kill in the middle.

class TestMqRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(MqRunner::binary()).isExecutable(), qPrintable(MqRunner::binary()));
        QVERIFY(writeFileBytes(m_dir.filePath("set.ini"), "[General]\nMaxjobs=3\n"));
    }

    void twentyJobsWithMaxjobsThree() {
        writeJobs(20, false, 13);
        Run run;
        start(run);
        QCOMPARE(finish(run), 2);
        const QVector<DownJobRecord> jobs = loadJobs();
        QCOMPARE(jobs.size(), 20);
        for (int i = 1; i <= 20; ++i) {
            const DownJobRecord &rec = jobs[i - 1];
            if (i == 13) {
                QCOMPARE(rec.State, 5);
                continue;
            }
            QCOMPARE(rec.State, 4);
            QVERIFY2(!rec.SavePath.endsWith("!mq") &&
                         QFileInfo(rec.SavePath).size() == rec.TotalSize,
                     qPrintable(QString::number(i) + ' ' + rec.SavePath));
            QVERIFY2(readFileBytes(rec.SavePath) ==
                         m_server.resource(QStringLiteral("/j%1.swf").arg(i)).body,
                     qPrintable(QStringLiteral("%1 %2 %3 %4")
                                    .arg(i)
                                    .arg(rec.SavePath)
                                    .arg(rec.TotalSize)
                                    .arg(rec.Received)));
        }
        // Never more than three jobs at once, only in slots 1..3; the rest waited.
        QSet<int> running;
        int most = 0;
        for (const QJsonObject &e : run.events) {
            const QString type = e.value("type").toString();
            const int job = e.value("job").toInt();
            if (type == "SlotStart") {
                QVERIFY(e.value("slot").toInt() >= 1 && e.value("slot").toInt() <= 3);
                running << job;
                most = qMax(most, int(running.size()));
            } else if (type == "JobComplete" || type == "JobError") {
                running.remove(job);
            } else if (type == "Connected") {
                QVERIFY(e.value("slot").toInt() >= 1 && job >= 1);
            }
        }
        QCOMPARE(most, 3);
        // Jobs finishing while the command starts them all take slots at once.
        QVERIFY(run.count("Waiting") >= 3);
        QCOMPARE(run.count("SlotStart"), 20);
        QCOMPARE(run.count("JobError"), 1);
    }

    void interruptThenContinue() {
        writeJobs(6, true);
        Run second;
        start(second);
        QTRY_VERIFY_WITH_TIMEOUT(second.count("DataArrival") >= 12, 20000);
        ::kill(pid_t(second.process.processId()), SIGINT);
        QCOMPARE(finish(second), 3);
        QVector<DownJobRecord> jobs = loadJobs();
        qint64 received = 0;
        for (const DownJobRecord &rec : jobs) {
            QVERIFY2(rec.State == 2 || rec.State == 4, qPrintable(QString::number(rec.State)));
            QCOMPARE(rec.FileOpen, qint16(0));
            received += rec.Received;
        }
        QVERIFY(received > 0);
        setPaced(false);
        const int before = int(m_server.requests.size());
        Run third;
        start(third);
        QCOMPARE(finish(third), 0);
        QVERIFY(continuedAfter(before));
        expectAllComplete(6);
    }

    void killThenNoJobLost() {
        writeJobs(8, true);
        Run first;
        start(first, {"--save-every", "0.05"});
        // Killed once the progress of a job still running has been saved.
        auto savedProgress = [&first] {
            QHash<int, int> blocks;
            QSet<int> ended;
            bool saved = false;
            for (const QJsonObject &e : first.events) {
                const QString type = e.value("type").toString();
                const int job = e.value("job").toInt();
                if (type == "DataArrival")
                    ++blocks[job];
                else if (type == "JobComplete" || type == "JobError")
                    ended << job;
                else if (type == "Saved")
                    saved = false;
                for (auto it = blocks.begin(); it != blocks.end() && type == "Saved"; ++it)
                    saved |= it.value() >= 5 && !ended.contains(it.key());
            }
            return saved;
        };
        QTRY_VERIFY_WITH_TIMEOUT(savedProgress(), 20000);
        first.process.kill();
        QCOMPARE(finish(first), -2);
        QVector<DownJobRecord> jobs = loadJobs();
        QCOMPARE(jobs.size(), 8);
        qint64 received = 0;
        QString states;
        for (const DownJobRecord &rec : jobs) {
            received += rec.State == 4 ? 0 : rec.Received;
            states += QStringLiteral("%1:%2 ").arg(rec.State).arg(rec.Received);
        }
        QVERIFY2(received > 0, qPrintable(states)); // saved progress of jobs still running
        setPaced(false);
        const int before = int(m_server.requests.size());
        Run second;
        start(second);
        QCOMPARE(finish(second), 0);
        QVERIFY(continuedAfter(before)); // from the saved ranges, not from the start
        expectAllComplete(8);
    }

private:
    struct Run {
        QProcess process;
        QList<QJsonObject> events;
        int count(const QString &type) const {
            int n = 0;
            for (const QJsonObject &e : events)
                n += e.value("type").toString() == type;
            return n;
        }
    };
    void start(Run &run, const QStringList &extra = {});
    int finish(Run &run);
    QVector<DownJobRecord> loadJobs() const;
    void writeJobs(int count, bool paced, int failing = 0);
    void setPaced(bool paced);
    // Some request since request `first` asked for a range not at byte 0.
    bool continuedAfter(int first) const {
        for (int i = first; i < m_server.requests.size(); ++i)
            if (QRegularExpression("Range: bytes=[1-9]").match(m_server.requests[i]).hasMatch())
                return true;
        return false;
    }

    // Jobs 1..n all complete with the served bytes.
    void expectAllComplete(int n) {
        const QVector<DownJobRecord> jobs = loadJobs();
        QCOMPARE(jobs.size(), n);
        for (int i = 1; i <= n; ++i) {
            QCOMPARE(jobs[i - 1].State, 4);
            QCOMPARE(readFileBytes(jobs[i - 1].SavePath),
                     m_server.resource(QStringLiteral("/j%1.swf").arg(i)).body);
        }
    }

    QTemporaryDir m_dir;
    FaultHttpServer m_server;
    int m_jobs = 0;
    QString db() const { return m_dir.filePath("default.mqb"); }
};

void TestMqRun::start(Run &run, const QStringList &extra) {
    QObject::connect(&run.process, &QProcess::readyReadStandardOutput, &run.process, [&run] {
        while (run.process.canReadLine()) {
            const QByteArray line = run.process.readLine().trimmed();
            run.events << QJsonDocument::fromJson(line).object();
        }
    });
    run.process.start(MqRunner::binary(), QStringList{"run", "--db", db(), "--events"} + extra);
    QVERIFY(run.process.waitForStarted(5000));
}

int TestMqRun::finish(Run &run) {
    if (run.process.state() != QProcess::NotRunning) {
        QSignalSpy done(&run.process, &QProcess::finished);
        if (!done.wait(60000)) return -1;
    }
    const QByteArray errors = run.process.readAllStandardError();
    if (!errors.isEmpty()) qWarning("mq run: %s", errors.constData());
    return run.process.exitStatus() == QProcess::NormalExit ? run.process.exitCode() : -2;
}

QVector<DownJobRecord> TestMqRun::loadJobs() const {
    CategoryStore tree;
    AddFixedNodes(tree, m_dir.path());
    JobTable table;
    LoadJobDatabase(tree, table, db());
    QVector<DownJobRecord> jobs;
    for (int i = 1; i <= table.DownCount(); ++i)
        jobs << table[i];
    return jobs;
}

void TestMqRun::setPaced(bool paced) {
    for (int i = 1; i <= m_jobs; ++i) {
        FaultHttpServer::Resource &r = m_server.resource(QStringLiteral("/j%1.swf").arg(i));
        r.chunk = paced ? 8192 : 0;
        r.intervalMs = paced ? 20 : 0;
    }
}

// Jobs j1..jN: sizes from a few KiB to 2 MiB, every fourth server without
// ranges, parts 1..5; job `failing` answers 404.
void TestMqRun::writeJobs(int count, bool paced, int failing) {
    m_jobs = count;
    CategoryStore tree;
    AddFixedNodes(tree, m_dir.path());
    JobTable table;
    for (int i = 1; i <= count; ++i) {
        FaultHttpServer::Resource r;
        r.body = FaultHttpServer::pattern(i % 7 == 0 ? 2 * 1024 * 1024 : 3000 + i * 41000);
        r.ranges = i % 4 != 0;
        if (i == failing) r.status = "HTTP/1.1 404 Not Found";
        const QString path = QStringLiteral("/j%1.swf").arg(i);
        m_server.setResource(path, r);
        DownJobRecord rec;
        rec.CategoryKey = QStringLiteral("Downloaded");
        rec.State = i % 3 == 0 ? 2 : 3;
        rec.IsNew = kTrue;
        rec.Parts = qint16(1 + i % 5);
        rec.Url = m_server.url(path);
        rec.UserAgent = QStringLiteral("MQTest");
        rec.FileName = path.mid(1);
        rec.SavePath = m_dir.filePath(rec.FileName);
        table.add(rec);
    }
    setPaced(paced);
    QVERIFY(SaveJobDatabase(tree, table, db(), nullptr));
}

QTEST_MAIN(TestMqRun)
#include "tst_mqrun.moc"
