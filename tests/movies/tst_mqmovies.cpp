#include "common/FaultHttpServer.h"
#include "common/MqRunner.h"
#include "common/SwfWriter.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"

#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "jobs/JobTable.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

// `mq info`, `mq verify`, `mq deps` and `mq dupes` on movies made by others
// (npm packages, scripts/fetch-movies), their LZMA and plain forms and
// broken variants, checked against the independent parser yaswfp.

namespace {
const QStringList kRealMovies = {"expressInstall.swf", "ZeroClipboard.swf", "soundmanager2.swf",
                                 "soundmanager2_flash9.swf", "webcam.swf"};

QString realMovie(const QString &name) {
    return QStringLiteral(MQ_SOURCE_DIR "/.deps/movies/") + name;
}

QJsonObject jsonLine(const QByteArray &line) {
    return QJsonDocument::fromJson(line).object();
}

// What yaswfp reads from each file, by file.
QHash<QString, QJsonObject> yaswfp(const QStringList &files) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral(MQ_SOURCE_DIR "/tests/movies/yaswfp_facts.py")} + files);
    QHash<QString, QJsonObject> out;
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return out;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) out[jsonLine(line).value("file").toString()] = jsonLine(line);
    return out;
}
} // namespace

class tst_MqMovies : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        for (const QString &name : kRealMovies)
            QVERIFY2(QFile::exists(realMovie(name)), "movies missing: run scripts/fetch-movies");
    }

    // Each real movie, as shipped (zlib) and stored plain and LZMA by us: mq
    // info gives what yaswfp reads from the shipped file, and calls it whole.
    void infoAgreesWithAnIndependentParser() {
        TestHome home;
        QStringList shipped, files;
        for (const QString &name : kRealMovies) {
            const QByteArray bytes = readFileBytes(realMovie(name));
            shipped << realMovie(name);
            files << realMovie(name);
            for (char how : {'F', 'Z'}) {
                const QString path = home.file(QStringLiteral("%1-%2").arg(how).arg(name));
                QVERIFY(writeFileBytes(path, recompressSwf(bytes, how)));
                files << path;
            }
        }
        const QHash<QString, QJsonObject> peer = yaswfp(shipped);
        QCOMPARE(peer.size(), kRealMovies.size());
        const MqResult r = runMq(QStringList{"info"} + files);
        QCOMPARE(r.status, 0);
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), files.size());
        for (int i = 0; i < lines.size(); ++i) {
            const QJsonObject ours = jsonLine(lines[i]);
            const QJsonObject theirs = peer.value(shipped[i / 3]);
            QVERIFY2(ours.value("whole").toBool(), lines[i].constData());
            QCOMPARE(ours.value("signature").toString(), QString(QChar("CFZ"[i % 3])) + "WS");
            for (const char *key : {"version", "width", "height", "frameRate", "frameCount"})
                QVERIFY2(ours.value(key) == theirs.value(key),
                         qPrintable(files[i] + ' ' + key + ": " + lines[i]));
        }
    }

    void verifyCallsBrokenVariantsDamaged() {
        TestHome home;
        const QByteArray zlib = readFileBytes(realMovie("webcam.swf"));
        // The verdicts themselves are tst_swfscan's: one cut movie and one page end to end.
        const QList<QPair<QString, QByteArray>> broken = {
            {"cut.swf", zlib.left(zlib.size() * 2 / 3)},
            {"page.swf", "<html><body>Not found</body></html>\n"}};
        QStringList files{realMovie("webcam.swf")};
        for (const auto &b : broken) {
            files << home.file(b.first);
            QVERIFY(writeFileBytes(files.last(), b.second));
        }
        const MqResult r = runMq(QStringList{"verify"} + files);
        QCOMPARE(r.status, 2);
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), files.size());
        QVERIFY2(lines[0].endsWith(": whole"), lines[0].constData());
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY2(lines[i].startsWith(files[i].toUtf8() + ": damaged: "), lines[i].constData());
        QCOMPARE(runMq({"verify", realMovie("expressInstall.swf")}).status, 0);
        QCOMPARE(runMq({"verify", home.file("missing.swf")}).status, 1);
    }

    void depsAndDupes() {
        TestHome home;
        SwfRecipe r;
        r.loads = QStringList{"level2.swf", "music.mp3", "data.xml", "level2.swf"};
        const QString movie = home.file("movie.swf");
        QVERIFY(writeFileBytes(movie, makeSwf(r)));
        const MqResult deps = runMq({"deps", movie, "--base", "http://h.example/a/movie.swf"});
        QCOMPARE(deps.status, 0);
        QCOMPARE(deps.out,
                 QByteArray("http://h.example/a/level2.swf\nhttp://h.example/a/music.mp3\n"
                            "http://h.example/a/data.xml\n"));

        QDir().mkpath(home.file("sub"));
        QVERIFY(QFile::copy(realMovie("webcam.swf"), home.file("sub/copy.swf")));
        QVERIFY(QFile::copy(realMovie("webcam.swf"), home.file("webcam.swf")));
        const MqResult dupes = runMq({"dupes", home.path()});
        QCOMPARE(dupes.status, 0);
        const QJsonObject group = jsonLine(dupes.out.trimmed());
        QCOMPARE(group.value("files").toVariant().toStringList(),
                 QStringList({QDir(home.path()).filePath("sub/copy.swf"),
                              QDir(home.path()).filePath("webcam.swf")}));
        QCOMPARE(group.value("sha256").toString().size(), 64);
    }

    // A finished job whose movie came damaged is fetched again by its number.
    void getFetchesADamagedJobAgain() {
        TestHome home;
        FaultHttpServer server;
        FaultHttpServer::Resource movie;
        movie.body = readFileBytes(realMovie("webcam.swf"));
        server.setResource("/w/webcam.swf", movie);
        CategoryStore tree;
        AddFixedNodes(tree, {});
        JobTable jobs;
        DownJobRecord r;
        r.State = StateComplete;
        r.CategoryKey = "Downloaded";
        r.Url = server.url("/w/webcam.swf");
        r.SavePath = home.file("webcam.swf");
        r.Parts = 1;
        r.TotalSize = r.Received = int(movie.body.size() / 2);
        jobs.add(r);
        QVERIFY(writeFileBytes(r.SavePath, movie.body.left(movie.body.size() / 2)));
        const QString db = home.file("default.mqb");
        QVERIFY(SaveJobDatabase(tree, jobs, db));
        MqRunner mq;
        QCOMPARE(mq.run({"get", "--job", "1", "--db", db}), 0);
        QCOMPARE(readFileBytes(r.SavePath), movie.body);
        QCOMPARE(readFileBytes(r.SavePath + ".damaged").size(), movie.body.size() / 2);
        QCOMPARE(mq.run({"get", "--job", "1", "--db", db}), 1); // whole now: nothing to do
    }
};

QTEST_GUILESS_MAIN(tst_MqMovies)
#include "tst_mqmovies.moc"
