// What `mq` refuses, in one table: the arguments (and a JSON file given to
// `db write`), the exit code and the one line on standard error; nothing is
// written and the job database is left as it was.
#include "common/MqRunner.h"
#include "common/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

class TestMqRefusals : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(MqRunner::binary()).isExecutable(), qPrintable(MqRunner::binary()));
        QVERIFY(writeFileBytes(file("db.json"),
                               R"({"categories":[{"ParentKey":"Downloaded","Key":"101k",)"
                               R"("Name":"Cartoon","Folder":"/d/cartoon/"},{"ParentKey":"101k",)"
                               R"("Key":"101k1","Name":"Sub","Folder":"/d/sub/"}]})"));
        QCOMPARE(runMq({"db", "write", file("db.json"), file("db.mqb")}).status, 0);
    }

    void refused_data() {
        QTest::addColumn<QStringList>("args"); // "DB": the database, "IN": in.json
        QTest::addColumn<QByteArray>("json");  // written to in.json
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("err"); // the line starts or holds it
        const auto row = [](const char *tag, const QStringList &args, const char *err,
                            int status = 1, const QByteArray &json = {}) {
            QTest::newRow(tag) << args << json << status << QByteArray(err);
        };
        const QString h = "http://h/x";
        row("get: no URL", {"get"}, "mq: get:");
        row("get: parts 11", {"get", h, "--parts", "11"}, "mq: get:");
        row("get: parts text", {"get", h, "--parts", "many"}, "mq: get:");
        row("get: missing value", {"get", h, "--dir"}, "mq: get:");
        row("get: bad proxy", {"get", h, "--proxy", "host"}, "mq: get:");
        row("get: two URLs", {"get", h, "http://h/y"}, "mq: get:");
        row("get: negative limit", {"get", h, "--limit", "-1"}, "mq: get:");
        row("get: limit text", {"get", h, "--limit", "fast"}, "mq: get:");
        row("get: limit without value", {"get", h, "--limit"}, "mq: get:");
        row("get: missing CA file", {"get", "https://h/x", "--ca-file", "/nonexistent/ca.pem"},
            "mq: get:");
        row("get: CA file without certificate",
            {"get", "https://h/x", "--ca-file", "/etc/hostname"}, "mq: get:");
        row("run: no db", {"run"}, "mq: run:");
        row("run: db missing", {"run", "--db", "/nonexistent/x.mqb"}, "mq: run:");
        row("run: unknown option", {"run", "--db", "DB", "--fast"}, "mq: run:");
        row("run: bad interval", {"run", "--db", "DB", "--save-every", "0"}, "mq: run:");
        row("search: no URL", {"search"}, "mq: search:");
        row("search: depth text", {"search", "http://h/", "--depth", "x"}, "mq: search:");
        row("search: bad proxy", {"search", "http://h/", "--proxy", "h"}, "mq: search:");
        row("search: two URLs", {"search", "http://h/", "http://g/"}, "mq: search:");
        row("search: unknown category", {"search", "http://h/", "--category", "zz"}, "mq: search:");
        row("add: no db", {"add", h}, "--db");
        row("add: unknown category", {"add", h, "--db", "DB", "--category", "nope"}, "no category");
        row("add: parts 11", {"add", h, "--db", "DB", "--parts", "11"}, "--parts");
        row("add: batch too large",
            {"add", "--db", "DB", "--batch", "h/*", "--from", "1", "--to", "40000"}, "32766");
        row("add: batch without star",
            {"add", "--db", "DB", "--batch", "h/a", "--from", "1", "--to", "2"}, "no \"*\"");
        row("add: URLs and batch",
            {"add", h, "--db", "DB", "--batch", "h/*", "--from", "1", "--to", "2"}, "give URLs");
        row("export: unknown category", {"export", "--db", "DB", "--category", "zz", "IN"},
            "no category");
        row("category: bad name",
            {"category", "add", "--db", "DB", "--parent", "101k", "--name", "a/b"},
            "mq: category: ");
        row("category: into its own sub-tree",
            {"category", "move", "--db", "DB", "--key", "101k", "--to", "101k1"},
            "own sub category");
        row("category: fixed node", {"category", "delete", "--db", "DB", "--key", "Recely"},
            "mq: category: Error!\nCan not Delete this Category!");
        row("import: unknown category", {"import", "--db", "DB", "--category", "nope", "IN"},
            "mq: import:");
        row("db: no such file", {"db", "dump", "/nonexistent/x.mqb"}, "mq: ");
        row("db: usage", {"db", "frobnicate"}, "mq: ");
        row("settings: missing folder", {"settings", "/nonexistent/dir/set.ini"}, "mq: ");
        const QStringList write{"db", "write", "IN", "x.mqb"};
        row("db write: not JSON", write, "mq: ", 1, "{oops");
        row("db write: port out of range", write, "mq: ", 1,
            R"({"jobs":[{"CategoryKey":"a","Port":65536}]})");
        row("db write: unknown field", write, "mq: ", 1,
            R"({"jobs":[{"CategoryKey":"a","Prot":1}]})");
        row("db write: unknown parent", write, "mq: ", 1,
            R"({"categories":[{"ParentKey":"zz","Key":"k"}]})");
        // Keys that are the same once written: such a file would load as damaged.
        row("db write: keys both become ?", write, "mq: ", 1,
            R"({"categories":[{"ParentKey":"Downloaded","Key":"k\u4e00"},)"
            R"({"ParentKey":"Downloaded","Key":"k\u4e8c"}]})");
        const QByteArray longKey(0xFFFF, 'k');
        row("db write: keys differ past 65535 bytes", write, "mq: ", 1,
            R"({"categories":[{"ParentKey":"Downloaded","Key":"\n)" + longKey +
                R"(a"},{"ParentKey":"Downloaded","Key":"\n)" + longKey + R"(b"}]})");
    }
    void refused() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, err);
        QVERIFY(writeFileBytes(file("in.json"), json));
        for (QString &a : args)
            a = a == "DB"      ? file("db.mqb")
                : a == "IN"    ? file("in.json")
                : a == "x.mqb" ? file(a)
                               : a;
        const QByteArray before = readFileBytes(file("db.mqb"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_dir.path()); // `import` and `settings` look at the home folder
        const MqResult r = runMq(args, env);
        QTEST(r.status, "status");
        QVERIFY2(r.err.startsWith("mq: ") && r.err.count('\n') == 1 + err.count('\n') &&
                     (r.err.startsWith(err) || r.err.contains(err)),
                 r.err.constData());
        QCOMPARE(readFileBytes(file("db.mqb")), before);
        QVERIFY(!QFile::exists(file("x.mqb")));
    }
};

QTEST_GUILESS_MAIN(TestMqRefusals)
#include "tst_mqrefusals.moc"
