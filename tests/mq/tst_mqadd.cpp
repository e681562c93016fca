// Black-box tests of `mq add` and `mq export` on a job database.
#include "common/JobFields.h"
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
        COMPARE_FIELDS(jobs[1].toObject(),
                       "{'Url': 'http://h/a/movie.swf?x=1', 'FileName': 'movie.swf', 'Parts': 4,"
                       "'CategoryKey': '101k101k', 'State': 2, 'UserAgent': 'Agent X',"
                       "'Referer': 'http://h/', 'Comment': 'two', 'IsNew': -1, 'UseProxy': 0}");
        // Defaults: the first category, its folder, waiting; --dir overrides.
        const Run d = mq({"add", "http://h/c.swf", "--db", m_db, "--dir", "/x", "--parts", "10"});
        QCOMPARE(d.out, QByteArray("4\t/x/c.swf\n"));
        COMPARE_FIELDS(jobsOf(m_db)[3].toObject(),
                       "{'CategoryKey': '101k', 'State': 3, 'Parts': 10}");
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
