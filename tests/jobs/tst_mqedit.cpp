// Black-box tests of `mq category`, `mq import` and `mq delete`.
#include "common/MqRunner.h"
#include "common/TestFiles.h"
#include "core/AppCore.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"

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

struct Db {
    CategoryStore tree;
    JobTable jobs;
    explicit Db(const QString &path) {
        AddFixedNodes(tree, {});
        LoadJobDatabase(tree, jobs, path);
    }
};
} // namespace

class TestMqEdit : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void categoryAddListMoveDelete() {
        const QString db = path("cat.mqb");
        Run r = mq({"category", "add", "--db", db, "--parent", "101k", "--name", "Sub", "--dir",
                    path("sub"), "--mkdir"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("101k1\n"));
        QVERIFY(QFileInfo(path("sub")).isDir());
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
        QCOMPARE(last.value("Folder").toString(), path("sub") + '/');
        QCOMPARE(QJsonDocument::fromJson(lines[1]).object().value("Name").toString(),
                 QString("Music"));
    }

    void importNeverOverwrites() {
        const QString db = path("imp.mqb");
        const Run added = mq({"category", "add", "--db", db, "--parent", "Downloaded", "--name",
                              "T", "--dir", path("target")});
        QCOMPARE(added.out, QByteArray("Downloaded5\n"));
        QDir().mkpath(path("src/batch"));
        QDir().mkpath(path("target"));
        writeFileBytes(path("src/one.swf"), "1");
        writeFileBytes(path("src/batch/two.swf"), "22");
        writeFileBytes(path("src/batch/three.zip"), "333");
        writeFileBytes(path("src/clash.swf"), "new");
        writeFileBytes(path("target/clash.swf"), "old");
        Run r = mq({"import", "--db", db, "--category", "Downloaded5", "--move",
                    path("src/one.swf"), path("src/batch"), path("src/clash.swf")});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("clash.swf"), r.err.constData());
        QCOMPARE(r.out.trimmed().split('\n').size(), 3);
        QVERIFY(r.out.contains(path("target/three.zip").toUtf8()));
        QCOMPARE(readFileBytes(path("src/clash.swf")), QByteArray("new"));
        QCOMPARE(readFileBytes(path("target/clash.swf")), QByteArray("old"));
        QVERIFY(!QFile::exists(path("src/one.swf")));
        Db saved(db);
        QCOMPARE(saved.jobs.DownCount(), 3);
        QCOMPARE(saved.jobs[1].CategoryKey, QString("Downloaded5"));
        QCOMPARE(saved.jobs[1].State, 4);

        writeFileBytes(path("src/stay.swf"), "s");
        r = mq({"import", "--db", db, "--category", "Downloaded", path("src/stay.swf")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, path("src/stay.swf").toUtf8() + '\n');
        r = mq({"import", "--db", db, "--category", "nope", path("src/stay.swf")});
        QCOMPARE(r.status, 1);
    }

    void deleteByIndex() {
        const QString db = path("del.mqb");
        writeFileBytes(path("d.swf"), "d");
        QVERIFY(mq({"import", "--db", db, "--category", "102k", path("d.swf")}).status == 0);
        Run r = mq({"delete", "--db", db, "--files", "1"});
        QCOMPARE(r.status, 0);
        QCOMPARE(Db(db).jobs[1].CategoryKey, QString("Recely"));
        QVERIFY(QFile::exists(path("d.swf")));
        r = mq({"delete", "--db", db, "--files", "1", "7"});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("no job 7"));
        QVERIFY(!QFile::exists(path("d.swf")));
        QCOMPARE(Db(db).jobs.DownCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMqEdit)
#include "tst_mqedit.moc"
