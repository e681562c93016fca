// Black-box tests of the `mq` program on a job database and the settings:
// db write and dump, settings, category, import and delete.
#include "common/JobFields.h"
#include "common/MqRunner.h"
#include "common/TestFiles.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "session/AppCore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
using Run = MqResult;
Run mq(const QStringList &args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QDir::tempPath());
    return runMq(args, env);
}

// The database as the program reads it back.
struct Db {
    CategoryStore tree;
    JobTable jobs;
    explicit Db(const QString &path) {
        AddFixedNodes(tree, {});
        LoadJobDatabase(tree, jobs, path);
    }
};

// JSON written with single quotes for readability.
QByteArray json(const char *text) {
    return QByteArray(text).replace('\'', '"');
}

bool oneLine(const QByteArray &err) {
    return err.startsWith("mq: ") && err.count('\n') == 1;
}

const QByteArray kInput =
    json("{\n"
         "  'categories': [\n"
         "    {'ParentKey': 'Downloaded', 'Key': 'a', 'Name': 'Alpha', 'Folder': '/d/a/'},\n"
         "    {'ParentKey': 'a', 'Key': 'a1', 'Name': 'A one', 'Folder': '/d/a1/'},\n"
         "    {'ParentKey': 'a1', 'Key': 'a1x', 'Name': 'Deep é', 'Folder': '/d/x/'},\n"
         "    {'ParentKey': 'Downloaded', 'Key': 'b', 'Name': 'Beta', 'Folder': '/d/b/'}\n"
         "  ],\n"
         "  'jobs': [\n"
         "    {'CategoryKey': 'a1x', 'State': 2, 'Comment': 'é ü €', 'Url': 'http://h/x.swf',\n"
         "     'Port': 65535, 'ProxyPort': 8080, 'UseProxy': -1, 'CreateTime': 45000.123456789,\n"
         "     'AverageSpeed': 1.1, 'TotalSize': 2147483647, 'Parts': 2,\n"
         "     'PartRanges': [{'StartPos': 0, 'Pos': 10, 'EndPos': 99}, {'StartPos': 100, 'Pos': "
         "100, 'EndPos': 199}]},\n"
         "    {'CategoryKey': 'Recely', 'Url': 'http://kept/'},\n"
         "    {'CategoryKey': 'Recely_Really', 'Url': 'http://dropped/'},\n"
         "    {'Url': 'http://no-key/'}\n"
         "  ]\n"
         "}");
} // namespace

class TestMqDb : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void dbWriteThenDumpRoundTrips() {
        QVERIFY(writeFileBytes(file("in.json"), kInput));
        Run w = mq({"db", "write", file("in.json"), file("a.mqb")});
        QCOMPARE(w.status, 0);
        QVERIFY(w.err.isEmpty());
        Run d = mq({"db", "dump", file("a.mqb")});
        QCOMPARE(d.status, 0);

        const QJsonObject db = QJsonDocument::fromJson(d.out).object();
        QCOMPARE(db.value("categories").toArray().size(), 4);
        QCOMPARE(db.value("categories").toArray()[2].toObject().value("Name").toString(),
                 QString::fromUtf8("Deep é"));
        const QJsonArray jobs = db.value("jobs").toArray();
        QCOMPARE(jobs.size(), 2); // Recely kept; Recely_Really and the empty key dropped
        const QJsonObject j = jobs[0].toObject();
        QCOMPARE(j.size(), 32);
        COMPARE_FIELDS(j, "{'Comment': 'é ü €', 'Port': 65535, 'CreateTime': 45000.123456789,"
                          "'AverageSpeed': 1.1}");
        QCOMPARE(j.value("PartRanges").toArray().size(), 10);
        QCOMPARE(j.value("PartRanges").toArray()[1].toObject().value("EndPos").toInt(), 199);
        QCOMPARE(jobs[1].toObject().value("CategoryKey").toString(), QString("Recely"));
        QVERIFY(d.out.indexOf("\"CategoryKey\"") < d.out.indexOf("\"AverageSpeed\""));

        // Writing the dump gives the same file, and dumping it the same text.
        QVERIFY(writeFileBytes(file("dump.json"), d.out));
        QCOMPARE(mq({"db", "write", file("dump.json"), file("b.mqb")}).status, 0);
        QCOMPARE(readFileBytes(file("b.mqb")), readFileBytes(file("a.mqb")));
        QCOMPARE(mq({"db", "dump", file("b.mqb")}).out, d.out);
    }

    void emptyDatabase() {
        QVERIFY(writeFileBytes(file("empty.json"), "{}"));
        QCOMPARE(mq({"db", "write", file("empty.json"), file("e.mqb")}).status, 0);
        QCOMPARE(readFileBytes(file("e.mqb")).size(), 16);
        QCOMPARE(mq({"db", "dump", file("e.mqb")}).out,
                 QByteArray("{\n  \"categories\": [],\n  \"jobs\": []\n}\n"));
    }

    void damagedDumpPrintsWhatWasRead() {
        QVERIFY(writeFileBytes(file("in.json"), kInput));
        QCOMPARE(mq({"db", "write", file("in.json"), file("c.mqb")}).status, 0);
        const QByteArray full = readFileBytes(file("c.mqb"));
        QVERIFY(writeFileBytes(file("cut.mqb"), full.left(full.size() - 10)));
        Run d = mq({"db", "dump", file("cut.mqb")});
        QCOMPARE(d.status, 2);
        QVERIFY2(oneLine(d.err), d.err.constData());
        const QJsonObject db = QJsonDocument::fromJson(d.out).object();
        QCOMPARE(db.value("categories").toArray().size(), 4);
        QCOMPARE(db.value("jobs").toArray().size(), 1);
        QCOMPARE(readFileBytes(file("cut.mqb")).size(), full.size() - 10); // left alone
    }

    void settingsNormalisesAndPrints() {
        QVERIFY(writeFileBytes(file("set.ini"), "[general]\nCTIMEOUT=7.6\nmaxjobs=3\nextra=1\n"
                                                "[Proxy]\nproxynum=1\n1=proxy1:8080\n"));
        Run r = mq({"settings", file("set.ini")});
        QCOMPARE(r.status, 0);
        const QJsonObject s = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(s.value("Maxjobs").toInt(), 3);
        QCOMPARE(s.value("Ctimeout").toInt(), 8);
        QCOMPARE(s.value("Parts").toInt(), 5);
        QCOMPARE(s.value("Fileexits").toBool(true), false);
        QCOMPARE(s.value("Useragent").toString(), QString("MoorQuill 1.0"));
        QCOMPARE(s.value("Proxies").toArray(), QJsonArray{"proxy1:8080"});
        QCOMPARE(s.size(), 18);
        const QByteArray ini = readFileBytes(file("set.ini"));
        QVERIFY(ini.startsWith("[General]\r\nMaxjobs=3\r\nParts=5\r\n"));
        QVERIFY(!ini.contains("extra"));
        QVERIFY(r.out.indexOf("\"Maxjobs\"") < r.out.indexOf("\"Proxies\""));
    }

    void categoryAddListMoveDelete() {
        const QString db = file("cat.mqb");
        Run r = mq({"category", "add", "--db", db, "--parent", "101k", "--name", "Sub", "--dir",
                    file("sub"), "--mkdir"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("101k1\n"));
        QVERIFY(QFileInfo(file("sub")).isDir());
        r = mq({"category", "add", "--db", db, "--parent", "101k1", "--name", "a/b"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.startsWith("mq: category: "));
        r = mq({"category", "move", "--db", db, "--key", "101k", "--to", "101k1"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("own sub category"));
        r = mq({"category", "move", "--db", db, "--key", "101k1", "--to", "104k"});
        QCOMPARE(r.status, 0);
        r = mq({"category", "delete", "--db", db, "--key", "Recely"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("Can not Delete this Category!"));
        r = mq({"category", "set", "--db", db, "--key", "102k", "--name", "Music"});
        QCOMPARE(r.status, 0);
        r = mq({"category", "delete", "--db", db, "--key", "103k"});
        QCOMPARE(r.status, 0);

        r = mq({"category", "list", "--db", db});
        QCOMPARE(r.status, 0);
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 4); // 101k, 102k, 104k, 101k1 below 104k
        const QJsonObject last = QJsonDocument::fromJson(lines[3]).object();
        QCOMPARE(last.value("Key").toString(), QString("101k1"));
        QCOMPARE(last.value("ParentKey").toString(), QString("104k"));
        QCOMPARE(last.value("Name").toString(), QString("Sub"));
        QCOMPARE(last.value("Folder").toString(), file("sub") + '/');
        QCOMPARE(QJsonDocument::fromJson(lines[1]).object().value("Name").toString(),
                 QString("Music"));
    }

    void importNeverOverwrites() {
        const QString db = file("imp.mqb");
        const Run added = mq({"category", "add", "--db", db, "--parent", "Downloaded", "--name",
                              "T", "--dir", file("target")});
        QCOMPARE(added.out, QByteArray("Downloaded5\n"));
        QDir().mkpath(file("src/batch"));
        QDir().mkpath(file("target"));
        writeFileBytes(file("src/one.swf"), "1");
        writeFileBytes(file("src/batch/two.swf"), "22");
        writeFileBytes(file("src/batch/three.zip"), "333");
        writeFileBytes(file("src/clash.swf"), "new");
        writeFileBytes(file("target/clash.swf"), "old");
        Run r = mq({"import", "--db", db, "--category", "Downloaded5", "--move",
                    file("src/one.swf"), file("src/batch"), file("src/clash.swf")});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("clash.swf"), r.err.constData());
        QCOMPARE(r.out.trimmed().split('\n').size(), 3);
        QVERIFY(r.out.contains(file("target/three.zip").toUtf8()));
        QCOMPARE(readFileBytes(file("src/clash.swf")), QByteArray("new"));
        QCOMPARE(readFileBytes(file("target/clash.swf")), QByteArray("old"));
        QVERIFY(!QFile::exists(file("src/one.swf")));
        Db saved(db);
        QCOMPARE(saved.jobs.DownCount(), 3);
        QCOMPARE(saved.jobs[1].CategoryKey, QString("Downloaded5"));
        QCOMPARE(saved.jobs[1].State, 4);

        writeFileBytes(file("src/stay.swf"), "s");
        r = mq({"import", "--db", db, "--category", "Downloaded", file("src/stay.swf")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, file("src/stay.swf").toUtf8() + '\n');
        r = mq({"import", "--db", db, "--category", "nope", file("src/stay.swf")});
        QCOMPARE(r.status, 1);
    }

    void deleteByIndex() {
        const QString db = file("del.mqb");
        writeFileBytes(file("d.swf"), "d");
        QVERIFY(mq({"import", "--db", db, "--category", "102k", file("d.swf")}).status == 0);
        Run r = mq({"delete", "--db", db, "--files", "1"});
        QCOMPARE(r.status, 0);
        QCOMPARE(Db(db).jobs[1].CategoryKey, QString("Recely"));
        QVERIFY(QFile::exists(file("d.swf")));
        r = mq({"delete", "--db", db, "--files", "1", "7"});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("no job 7"));
        QVERIFY(!QFile::exists(file("d.swf")));
        QCOMPARE(Db(db).jobs.DownCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMqDb)
#include "tst_mqdb.moc"
