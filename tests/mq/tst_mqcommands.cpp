// The `mq` commands that talk to no server, run as a script would: tables of
// arguments, exit code and output. `commands` runs scenarios of steps in a
// folder of their own; `refused` is what `mq` refuses, leaving the job
// database as it was.
#include "browser/CacheEntryWriter.h"
#include "common/MqRunner.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// One step, its words separated by blanks: an `mq` command, or one of the file steps
//   "write PATH" writes `text`; "entry PATH" writes a browser cache entry of
//   kUrl holding `text`; "file PATH" checks the file against `text` (empty:
//   gone); "same A B" checks two files are equal; "out> PATH" writes the last
//   command's output; "cut PATH N" drops N bytes.
// "@/" in arguments and texts is the scenario's folder (also HOME). A text
// is exact, or "~"-separated pieces each in it ("~!piece": not in it); a
// command's text is its standard output followed by its standard error.
struct Step {
    Step(const QString &words, int s = 0, const QByteArray &t = {})
        : args(words.split(' ')), status(s), text(t) {}
    QStringList args;
    int status;
    QByteArray text;
};
using Steps = QVector<Step>;

const QByteArray kUrl = "http://127.0.0.1:9/flash/intro.swf";

QByteArray json(const char *text) {
    return QByteArray(text).replace('\'', '"');
}

const QByteArray kInput =
    json("{'categories': ["
         "{'ParentKey': 'Downloaded', 'Key': 'a', 'Name': 'Alpha', 'Folder': '/d/a/'},"
         "{'ParentKey': 'a', 'Key': 'a1', 'Name': 'A one', 'Folder': '/d/a1/'},"
         "{'ParentKey': 'a1', 'Key': 'a1x', 'Name': 'Deep é', 'Folder': '/d/x/'},"
         "{'ParentKey': 'Downloaded', 'Key': 'b', 'Name': 'Beta', 'Folder': '/d/b/'}],"
         "'jobs': ["
         "{'CategoryKey': 'a1x', 'State': 2, 'Comment': 'é ü €', 'Url': 'http://h/x.swf',"
         " 'Port': 65535, 'ProxyPort': 8080, 'UseProxy': -1, 'CreateTime': 45000.123456789,"
         " 'AverageSpeed': 1.1, 'TotalSize': 2147483647, 'Parts': 2, 'PartRanges': ["
         "{'StartPos': 0, 'Pos': 10, 'EndPos': 99}, {'StartPos': 100, 'Pos': 100, 'EndPos': 199}]},"
         "{'CategoryKey': 'Recely', 'Url': 'http://kept/'},"
         "{'CategoryKey': 'Recely_Really', 'Url': 'http://dropped/'},"
         "{'Url': 'http://no-key/'}]}");

const QByteArray kAddDb =
    json("{'categories':[{'ParentKey':'Downloaded','Key':'101k','Name':'Cartoon',"
         "'Folder':'/d/cartoon/'},{'ParentKey':'101k','Key':'101k101k','Name':'Sub',"
         "'Folder':'/d/sub/'}],'jobs':[{'CategoryKey':'101k','State':4,"
         "'Url':'http://h/old.swf'}]}");

// The steps that make @/add.mqb for the `add` and `export` scenarios, then `more`.
Steps addDb(const Steps &more) {
    return Steps{{"write @/add.json", 0, kAddDb},
                 {"db write @/add.json @/add.mqb"},
                 {"write @/set.ini", 0, "[General]\r\nParts=4\r\nUseragent=Agent X\r\n"}} +
           more;
}

QByteArray cacheEntry(const QByteArray &body) {
    return CacheEntryWriter::chromium(
        "1/0/_dk_http://127.0.0.1 http://127.0.0.1 " + kUrl, body,
        "HTTP/1.1 200 OK\nContent-Length: " + QByteArray::number(body.size()) + "\n");
}

// Whether `got` is what `want` describes (see Step).
bool matches(const QByteArray &got, const QByteArray &want) {
    if (!want.startsWith('~')) return got == want;
    for (const QByteArray &piece : want.mid(1).split('~'))
        if (piece.startsWith('!') ? got.contains(piece.mid(1)) : !got.contains(piece)) return false;
    return true;
}
} // namespace

Q_DECLARE_METATYPE(Steps)

class TestMqCommands : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(MqRunner::binary()).isExecutable(), qPrintable(MqRunner::binary()));
        QVERIFY(writeFileBytes(file("db.json"), kAddDb));
        QCOMPARE(runMq({"db", "write", file("db.json"), file("DB")}).status, 0);
    }

    void commands_data() {
        QTest::addColumn<Steps>("steps");
        QTest::newRow("db write, dump, write again: the same file")
            << Steps{{"write @/in.json", 0, kInput},
                     {"db write @/in.json @/a.mqb"},
                     {"db dump @/a.mqb", 0,
                      "~\"Name\": \"Deep é\"~\"Comment\": \"é ü €\"~\"Port\": 65535~"
                      "\"CreateTime\": 45000.123456789~\"AverageSpeed\": 1.1~\"EndPos\": 199~"
                      "\"CategoryKey\": \"Recely\"~!dropped~!no-key"},
                     {"out> @/dump.json"},
                     {"db write @/dump.json @/b.mqb"},
                     {"same @/a.mqb @/b.mqb"},
                     {"cut @/b.mqb 10"},
                     {"db dump @/b.mqb", 2, "~\"Deep é\"~http://h/x.swf~!kept~mq: "}};
        QTest::newRow("import never overwrites") << Steps{
            {"category add --db @/i.mqb --parent Downloaded --name T --dir @/target", 0,
             "Downloaded5\n"},
            {"write @/src/one.swf", 0, "1"},
            {"write @/src/batch/two.swf", 0, "22"},
            {"write @/src/batch/three.zip", 0, "333"},
            {"write @/src/clash.swf", 0, "new"},
            {"write @/target/clash.swf", 0, "old"},
            {"import --db @/i.mqb --category Downloaded5 --move @/src/one.swf @/src/batch "
             "@/src/clash.swf",
             2, "~@/target/one.swf\n~@/target/two.swf\n~@/target/three.zip\n~mq: ~clash.swf"},
            {"file @/src/clash.swf", 0, "new"},
            {"file @/target/clash.swf", 0, "old"},
            {"file @/src/one.swf", 0, ""},
            {"db dump @/i.mqb", 0, "~\"CategoryKey\": \"Downloaded5\",\n      \"State\": 4"},
            {"write @/src/stay.swf", 0, "s"},
            {"import --db @/i.mqb --category Downloaded @/src/stay.swf", 0, "@/src/stay.swf\n"}};
        QTest::newRow("add as the dialog does") << addDb(
            {{"add http://h/a/movie.swf?x=1 http://h/b.swf --db @/add.mqb --category 101k101k "
              "--manual --referer http://h/ --comment two",
              0, "2\t/d/sub/movie.swf\n3\t/d/sub/b.swf\n"},
             {"add http://h/c.swf --db @/add.mqb --dir /x --parts 10", 0, "4\t/x/c.swf\n"},
             {"db dump @/add.mqb", 0,
              "~\"CategoryKey\": \"101k101k\",\n      \"State\": 2,\n"
              "      \"Referer\": \"http://h/\",~\"Comment\": \"two\",~"
              "\"FileName\": \"movie.swf\",\n      \"IsNew\": -1,~"
              "\"Parts\": 4,~\"UserAgent\": \"Agent X\",~\"UseProxy\": 0,~"
              "\"CategoryKey\": \"101k\",\n      \"State\": 3,~\"Parts\": 10,"}});
        QTest::newRow("export writes the list") << addDb(
            {{"add http://h/é.swf http://h/sub.swf --db @/add.mqb --category 101k", 0, "~\t"},
             {"add http://h/in-sub.swf --db @/add.mqb --category 101k101k", 0, "~\t"},
             {"export --db @/add.mqb --category 101k @/l.lst"},
             {"file @/l.lst", 0, "http://h/old.swf\r\nhttp://h/\xE9.swf\r\nhttp://h/sub.swf\r\n"},
             {"export --db @/add.mqb --category Downloaded @/l.lst"},
             {"file @/l.lst", 0, ""}});
        QTest::newRow("cache: a hit writes the body, the cache is left alone") << Steps{
            {"entry @/c/0000000000000abc_0", 0, "FWS movie bytes"},
            {"entry @/c/copy", 0, "FWS movie bytes"},
            {"write @/out/intro.swf", 0, "old content, longer than the movie"},
            {"cache " + kUrl + " --cache-dir @/out --cache-dir @/c --out @/out/intro.swf", 0,
             "{\"hit\":true,\"browser\":\"chromium\",\"entry\":\"@/c/0000000000000abc_0\","
             "\"length\":15}\n"},
            {"file @/out/intro.swf", 0, "FWS movie bytes"},
            {"same @/c/0000000000000abc_0 @/c/copy"}};
        QTest::newRow("cache: a miss exits 2")
            << Steps{{"entry @/c/0000000000000abc_0", 0, "x"},
                     {"cache http://127.0.0.1:9/flash/other.swf --cache-dir @/c --out @/o.swf", 2,
                      "{\"hit\":false}\n"},
                     {"file @/o.swf", 0, ""}};
    }

    void commands() {
        QFETCH(Steps, steps);
        QTemporaryDir dir;
        const QString at = dir.path() + '/';
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", dir.path());
        QByteArray last;
        for (const Step &step : steps) {
            QStringList args = step.args;
            for (QString &a : args)
                a.replace("@/", at);
            const QByteArray text = QByteArray(step.text).replace("@/", at.toUtf8());
            const QString &what = args[0];
            const QString path = args.value(1);
            if (what == "write" || what == "entry") {
                QVERIFY(QDir().mkpath(QFileInfo(path).path()));
                QVERIFY(writeFileBytes(path, what == "write" ? text : cacheEntry(text)));
            } else if (what == "file") {
                const QByteArray got = readFileBytes(path);
                QVERIFY2(matches(got, text), qPrintable(path + ": " + got));
            } else if (what == "same") {
                QCOMPARE(readFileBytes(path), readFileBytes(args[2]));
            } else if (what == "out>") {
                QVERIFY(writeFileBytes(path, last));
            } else if (what == "cut") {
                const QByteArray bytes = readFileBytes(path);
                QVERIFY(writeFileBytes(path, bytes.left(bytes.size() - args[2].toInt())));
            } else {
                const MqResult r = runMq(args, env);
                last = r.out;
                QVERIFY2(r.status == step.status && matches(r.out + r.err, text),
                         qPrintable(args.join(' ') + " gave " + QString::number(r.status) + ":\n" +
                                    r.out + r.err));
            }
        }
    }

    void refused_data() {
        QTest::addColumn<QStringList>("args"); // "DB": the database, "IN": the file `json`
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("err"); // the line starts or holds it
        // `args` separated by blanks, "H" a URL.
        const auto row = [](const char *tag, const QString &args, const char *err, int status = 1,
                            const QByteArray &json = {}) {
            QStringList list = args.split(' ');
            list.replaceInStrings(QRegularExpression("^H$"), "http://h/x");
            QTest::newRow(tag) << list << json << status << QByteArray(err);
        };
        row("get: no URL", "get", "mq: get:");
        row("get: parts 11", "get H --parts 11", "mq: get:");
        row("get: parts text", "get H --parts many", "mq: get:");
        row("get: missing value", "get H --dir", "mq: get:");
        row("get: bad proxy", "get H --proxy host", "mq: get:");
        row("get: two URLs", "get H http://h/y", "mq: get:");
        row("get: negative limit", "get H --limit -1", "mq: get:");
        row("get: limit text", "get H --limit fast", "mq: get:");
        row("get: limit without value", "get H --limit", "mq: get:");
        row("get: missing CA file", "get https://h/x --ca-file /nonexistent/ca.pem", "mq: get:");
        row("get: CA file without certificate", "get https://h/x --ca-file /etc/hostname",
            "mq: get:");
        row("run: no db", "run", "mq: run:");
        row("run: db missing", "run --db /nonexistent/x.mqb", "mq: run:");
        row("run: unknown option", "run --db DB --fast", "mq: run:");
        row("run: bad interval", "run --db DB --save-every 0", "mq: run:");
        row("search: no URL", "search", "mq: search:");
        row("search: depth text", "search http://h/ --depth x", "mq: search:");
        row("search: bad proxy", "search http://h/ --proxy h", "mq: search:");
        row("search: two URLs", "search http://h/ http://g/", "mq: search:");
        row("search: unknown category", "search http://h/ --category zz", "mq: search:");
        row("add: no db", "add H", "--db");
        row("add: unknown category", "add H --db DB --category nope", "no category");
        row("add: parts 11", "add H --db DB --parts 11", "--parts");
        row("add: batch too large", "add --db DB --batch h/* --from 1 --to 40000", "32766");
        row("add: batch without star", "add --db DB --batch h/a --from 1 --to 2", "no \"*\"");
        row("add: URLs and batch", "add H --db DB --batch h/* --from 1 --to 2", "give URLs");
        row("export: unknown category", "export --db DB --category zz IN", "no category");
        row("category: bad name", "category add --db DB --parent 101k --name a/b",
            "mq: category: ");
        row("category: into its own sub-tree", "category move --db DB --key 101k --to 101k101k",
            "own sub category");
        row("category: fixed node", "category delete --db DB --key Recely",
            "mq: category: Error!\nCan not Delete this Category!");
        row("import: unknown category", "import --db DB --category nope IN", "mq: import:");
        row("db: no such file", "db dump /nonexistent/x.mqb", "mq: ");
        row("db: usage", "db frobnicate", "mq: ");
        row("settings: missing folder", "settings /nonexistent/dir/set.ini", "mq: ");
        const QString write = "db write IN x.mqb";
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
        QVERIFY(writeFileBytes(file("IN"), json));
        args.replaceInStrings(QRegularExpression("^(DB|IN|x\\.mqb)$"), m_dir.path() + "/\\1");
        const QByteArray before = readFileBytes(file("DB"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_dir.path()); // `import` and `settings` look at the home folder
        const MqResult r = runMq(args, env);
        QTEST(r.status, "status");
        QVERIFY2(r.err.startsWith("mq: ") && r.err.count('\n') == 1 + err.count('\n') &&
                     (r.err.startsWith(err) || r.err.contains(err)),
                 r.err.constData());
        QCOMPARE(readFileBytes(file("DB")), before);
        QVERIFY(!QFile::exists(file("x.mqb")));
    }
};

QTEST_GUILESS_MAIN(TestMqCommands)
#include "tst_mqcommands.moc"
