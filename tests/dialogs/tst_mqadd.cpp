// Black-box tests of `mq add` and `mq export` on a job database.
#include "common/MqRunner.h"
#include "common/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
using Run = MqResult;
Run mq(const QStringList &args) {
    return runMq(args);
}

QJsonArray jobsOf(const QString &db) {
    return QJsonDocument::fromJson(mq({"db", "dump", db}).out).object()["jobs"].toArray();
}
} // namespace

class TestMqAdd : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_db = m_dir.filePath("default.mqb");
        const QByteArray json =
            QByteArray("{'categories':[{'ParentKey':'Downloaded','Key':'101k','Name':'Cartoon',"
                       "'Folder':'/d/cartoon/'},{'ParentKey':'101k','Key':'101k101k','Name':'Sub',"
                       "'Folder':'/d/sub/'}],'jobs':[{'CategoryKey':'101k','State':4,"
                       "'Url':'http://h/old.swf'}]}")
                .replace('\'', '"');
        QVERIFY(writeFileBytes(m_dir.filePath("in.json"), json));
        QCOMPARE(mq({"db", "write", m_dir.filePath("in.json"), m_db}).status, 0);
        QVERIFY(writeFileBytes(m_dir.filePath("set.ini"),
                               "[General]\r\nParts=4\r\nUseragent=Agent X\r\n"));
    }

    void addUrls_asTheDialogDoes() {
        const Run r =
            mq({"add", "http://h/a/movie.swf?x=1", "http://h/b.swf", "--db", m_db, "--category",
                "101k101k", "--manual", "--referer", "http://h/", "--comment", "two"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("2\t/d/sub/movie.swf\n3\t/d/sub/b.swf\n"));
        const QJsonArray jobs = jobsOf(m_db);
        QCOMPARE(jobs.size(), 3);
        const QJsonObject a = jobs[1].toObject();
        QCOMPARE(a["Url"].toString(), QString("http://h/a/movie.swf?x=1"));
        QCOMPARE(a["FileName"].toString(), QString("movie.swf"));
        QCOMPARE(a["CategoryKey"].toString(), QString("101k101k"));
        QCOMPARE(a["State"].toInt(), 2);
        QCOMPARE(a["Parts"].toInt(), 4);
        QCOMPARE(a["UserAgent"].toString(), QString("Agent X"));
        QCOMPARE(a["Referer"].toString(), QString("http://h/"));
        QCOMPARE(a["Comment"].toString(), QString("two"));
        QCOMPARE(a["IsNew"].toInt(), -1);
        QCOMPARE(a["UseProxy"].toInt(), 0);
        // Defaults: the first category, its folder, waiting; --dir overrides.
        const Run d = mq({"add", "http://h/c.swf", "--db", m_db, "--dir", "/x", "--parts", "10"});
        QCOMPARE(d.out, QByteArray("4\t/x/c.swf\n"));
        const QJsonObject c = jobsOf(m_db)[3].toObject();
        QCOMPARE(c["CategoryKey"].toString(), QString("101k"));
        QCOMPARE(c["State"].toInt(), 3);
        QCOMPARE(c["Parts"].toInt(), 10);
    }

    void addBatch_numbersAndLetters() {
        Run r = mq({"add", "--db", m_db, "--batch", "http://h/*/p*.gif", "--from", "9", "--to",
                    "10", "--width", "2"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("2\t/d/cartoon/p09.gif\n3\t/d/cartoon/p10.gif\n"));
        QCOMPARE(jobsOf(m_db)[2].toObject()["Url"].toString(), QString("http://h/10/p10.gif"));
        r = mq({"add", "--db", m_db, "--batch", "http://h/*.gif", "--from", "x", "--to", "Z"});
        QCOMPARE(r.out,
                 QByteArray("4\t/d/cartoon/x.gif\n5\t/d/cartoon/y.gif\n6\t/d/cartoon/z.gif\n"));
    }

    void badInput_oneLineAndNothingAdded_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("words");
        QTest::newRow("no db") << QStringList{"http://h/a"} << "--db";
        QTest::newRow("unknown category")
            << QStringList{"http://h/a", "--category", "nope"} << "no category";
        QTest::newRow("parts 11") << QStringList{"http://h/a", "--parts", "11"} << "--parts";
        QTest::newRow("batch too large")
            << QStringList{"--batch", "h/*", "--from", "1", "--to", "40000"} << "32766";
        QTest::newRow("batch without star")
            << QStringList{"--batch", "h/a", "--from", "1", "--to", "2"} << "no \"*\"";
        QTest::newRow("urls and batch")
            << QStringList{"http://h/a", "--batch", "h/*", "--from", "1", "--to", "2"}
            << "give URLs";
    }

    void badInput_oneLineAndNothingAdded() {
        QFETCH(QStringList, args);
        QFETCH(QString, words);
        QStringList all{"add"};
        all << args;
        if (words != "--db") all << "--db" << m_db;
        const QByteArray before = readFileBytes(m_db);
        const Run r = mq(all);
        QVERIFY(r.status != 0);
        QVERIFY2(r.err.startsWith("mq: ") && r.err.count('\n') == 1 &&
                     r.err.contains(words.toUtf8()),
                 r.err.constData());
        QCOMPARE(readFileBytes(m_db), before);
    }

    void export_writesTheList() {
        QCOMPARE(mq({"add", QString::fromUtf8("http://h/\xC3\xA9.swf"), "http://h/sub.swf", "--db",
                     m_db, "--category", "101k"})
                     .status,
                 0);
        QCOMPARE(mq({"add", "http://h/in-sub.swf", "--db", m_db, "--category", "101k101k"}).status,
                 0);
        const QString out = m_dir.filePath("list.lst");
        Run r = mq({"export", "--db", m_db, "--category", "101k", out});
        QCOMPARE(r.status, 0);
        QCOMPARE(readFileBytes(out),
                 QByteArray("http://h/old.swf\r\nhttp://h/\xE9.swf\r\nhttp://h/sub.swf\r\n"));
        r = mq({"export", "--db", m_db, "--category", "Downloaded", out});
        QCOMPARE(readFileBytes(out), QByteArray());
        r = mq({"export", "--db", m_db, "--category", "zz", out});
        QVERIFY(r.status != 0 && r.err.contains("no category"));
    }

private:
    QTemporaryDir m_dir;
    QString m_db;
};

QTEST_GUILESS_MAIN(TestMqAdd)
#include "tst_mqadd.moc"
