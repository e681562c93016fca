// `mq` run as a separate program against test servers: `get` against the
// fault-injecting server and nginx, `search` against the page server, `mx`
// and `mail` against the scripted DNS responder and SMTP sink, and `run`
// over a job database of many jobs killed in the middle.
#include "common/DnsResponder.h"
#include "common/FaultHttpServer.h"
#include "common/MqRunner.h"
#include "common/NginxServer.h"
#include "common/SmtpSink.h"
#include "common/TestFiles.h"
#include "jobs/CategoryStore.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "jobs/JobTable.h"
#include "mail/DnsMessage.h"
#include "search/PageCorpus.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>

namespace {
const QString kFrom = QStringLiteral("me@home.test");
const QString kTo = QStringLiteral("friend@sink.test");

DnsResponder::Script mxReply(const QString &domain, const QVector<DnsResponder::Record> &records) {
    return {DnsResponder::reply(DnsMessage::MxQueryPacket(domain), records), {}, false};
}
} // namespace

class TestMqNet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(MqRunner::binary()).isExecutable(), qPrintable(MqRunner::binary()));
        QVERIFY(writeFileBytes(m_dir.filePath("set.ini"), "[General]\nMaxjobs=3\n"));
        for (const QString &page : PageCorpus::pages()) {
            FaultHttpServer::Resource p;
            p.body = PageCorpus::bytes(page);
            m_server.setResource("/corpus/" + page, p);
        }
    }

    // Non-ASCII names are requested percent-encoded as UTF-8 and saved as
    // written on the page; the page is each job's referrer.
    void nonAsciiNames_requestedEncodedSavedDecoded() {
        QTemporaryDir dir;
        for (const char *path : {"/corpus/K%C3%A4se.swf", "/corpus/Gr%C3%BCn.swf",
                                 "/corpus/%E2%80%9Cquoted%E2%80%9D.swf"})
            m_server.serve(QString::fromLatin1(path), 700);
        const QString db = dir.filePath("default.mqb");
        MqRunner mq;
        QCOMPARE(mq.run({"search", m_server.url("/corpus/cp1252.html"), "--dir", dir.path(), "--db",
                         db, "--download"}),
                 0);
        for (const char *name : {"Käse.swf", "Grün.swf", "“quoted”.swf"})
            QCOMPARE(QFileInfo(dir.filePath(QString::fromUtf8(name))).size(), 700);
        const MqResult dump = runMq({"db", "dump", db});
        QVERIFY(dump.out.contains(m_server.url("/corpus/cp1252.html").toLatin1()));
    }

    void downloadWithEventsAndLog() {
        FaultHttpServer server;
        const FaultHttpServer::Resource r = server.serve(QStringLiteral("/m/clip.swf"), 300000);
        QTemporaryDir dir;
        MqRunner mq;
        QCOMPARE(
            mq.run({"get", server.url(QStringLiteral("/m/clip.swf")), "--parts", "3", "--dir",
                    dir.path(), "--name", "out.swf", "--user-agent", "UA/2", "--events", "--log"}),
            0);
        QCOMPARE(readFileBytes(dir.filePath(QStringLiteral("out.swf"))), r.body);
        QVERIFY(server.requests.value(0).contains("\r\nUser-Agent: UA/2\r\n"));

        // JSON lines: the events (with a type) and the log lines, "Send Request." with icon 100.
        const QList<QByteArray> lines = mq.out().trimmed().split('\n');
        QCOMPARE(lines[0], "{\"part\":1,\"type\":\"Connecting\",\"text\":\"127.0.0.1:" +
                               QByteArray::number(server.port()) + "\"}");
        int events = 0;
        for (const QByteArray &line : lines) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            QVERIFY2(!o.isEmpty(), line.constData());
            events += o.contains(QLatin1String("type"));
        }
        QVERIFY(events > 5 && lines.size() - events > 10);
        QVERIFY(lines.contains(R"({"part":1,"icon":100,"text":"Send Request."})"));
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
        const QStringList args = QString("get %1 --parts 4 --dir %2 --db %3 --events")
                                     .arg(nginx.url(QStringLiteral("slow.swf")), dir.path(), db)
                                     .split(' ');
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
    // `mx` and `mail` against the scripted DNS responder and the SMTP sink.
    void mxAndMailPrintTheirResults() {
        DnsResponder dns;
        SmtpSink sink;
        dns.setScript(
            "example.test",
            mxReply("example.test", {{15, 20, DnsResponder::labels("mx2.example.test")},
                                     {15, 10, DnsResponder::labels("mx1.example.test")}}));
        dns.setScript("sink.test",
                      mxReply("sink.test", {{15, 10, DnsResponder::labels("127.0.0.1")}}));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MOORQUILL_DNS_SERVER"), dns.server());
        MqRunner mx;
        QCOMPARE(mx.run({"mx", "example.test"}, env), 0);
        QCOMPARE(mx.out().trimmed(),
                 QByteArray(R"({"best":"mx1.example.test","hosts":[{"host":"mx1.example.test",)"
                            R"("preference":10},{"host":"mx2.example.test","preference":20}]})"));
        QTemporaryDir dir;
        const QString body = dir.filePath("body.txt");
        QVERIFY(writeFileBytes(body, "Line one\n.two\n"));
        const QString port = QString::number(sink.port());
        MqRunner mail;
        QCOMPARE(mail.run({"mail", "--from", kFrom, "--to", kTo, "--subject", "Test", "--body-file",
                           body, "--dns", dns.server(), "--smtp-port", port}),
                 0);
        const QList<QByteArray> lines = mail.out().trimmed().split('\n');
        QCOMPARE(lines.first(), QByteArray("Resolve the email server address..."));
        QCOMPARE(lines.last(), QByteArray("Message send succeed"));
        QVERIFY(sink.message.contains("Subject: Test\r\n\r\nLine one\r\n..two\r\n"));
    }

    void killThenNoJobLost() {
        writeJobs(8, true);
        Run first;
        start(first, {"--save-every", "0.05"});
        // Killed once the progress of a job still running has been saved.
        auto savedProgress = [&first] {
            QHash<int, int> blocks; // per job, while it runs
            bool saved = false;
            for (const QJsonObject &e : first.events) {
                const QString type = e.value("type").toString();
                const int job = e.value("job").toInt();
                if (type == "DataArrival") ++blocks[job];
                if (type == "JobComplete" || type == "JobError") blocks[job] = -1000000; // ended
                if (type == "Saved")
                    saved = std::any_of(blocks.begin(), blocks.end(), [](int n) { return n >= 5; });
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
    FaultHttpServer m_server;
    struct Run {
        QProcess process;
        QList<QJsonObject> events;
    };
    void start(Run &run, const QStringList &extra = {});
    int finish(Run &run);
    QVector<DownJobRecord> loadJobs() const;
    void writeJobs(int count, bool paced);
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
    int m_jobs = 0;
    QString db() const { return m_dir.filePath("default.mqb"); }
};

void TestMqNet::start(Run &run, const QStringList &extra) {
    QObject::connect(&run.process, &QProcess::readyReadStandardOutput, &run.process, [&run] {
        while (run.process.canReadLine()) {
            const QByteArray line = run.process.readLine().trimmed();
            run.events << QJsonDocument::fromJson(line).object();
        }
    });
    run.process.start(MqRunner::binary(), QStringList{"run", "--db", db(), "--events"} + extra);
    QVERIFY(run.process.waitForStarted(5000));
}

int TestMqNet::finish(Run &run) {
    if (run.process.state() != QProcess::NotRunning) {
        QSignalSpy done(&run.process, &QProcess::finished);
        if (!done.wait(60000)) return -1;
    }
    const QByteArray errors = run.process.readAllStandardError();
    if (!errors.isEmpty()) qWarning("mq run: %s", errors.constData());
    return run.process.exitStatus() == QProcess::NormalExit ? run.process.exitCode() : -2;
}

QVector<DownJobRecord> TestMqNet::loadJobs() const {
    CategoryStore tree;
    AddFixedNodes(tree, m_dir.path());
    JobTable table;
    LoadJobDatabase(tree, table, db());
    QVector<DownJobRecord> jobs;
    for (int i = 1; i <= table.DownCount(); ++i)
        jobs << table[i];
    return jobs;
}

void TestMqNet::setPaced(bool paced) {
    for (int i = 1; i <= m_jobs; ++i) {
        FaultHttpServer::Resource &r = m_server.resource(QStringLiteral("/j%1.swf").arg(i));
        r.chunk = paced ? 8192 : 0;
        r.intervalMs = paced ? 20 : 0;
    }
}

// Jobs j1..jN: sizes from a few KiB to 2 MiB, every fourth server without
// ranges, parts 1..5.
void TestMqNet::writeJobs(int count, bool paced) {
    m_jobs = count;
    CategoryStore tree;
    AddFixedNodes(tree, m_dir.path());
    JobTable table;
    for (int i = 1; i <= count; ++i) {
        FaultHttpServer::Resource r;
        r.body = FaultHttpServer::pattern(i % 7 == 0 ? 2 * 1024 * 1024 : 3000 + i * 41000);
        r.ranges = i % 4 != 0;
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

QTEST_MAIN(TestMqNet)
#include "tst_mqnet.moc"
