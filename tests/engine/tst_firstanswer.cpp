// What a new job takes from its first answer: the file name a server gives
// with Content-Disposition (read, made safe, used), and the split of the rest
// of the file among the parts.
#include "common/FaultHttpServer.h"
#include "common/MqRunner.h"
#include "common/NginxServer.h"
#include "common/TestFiles.h"
#include "engine/RangeBook.h"
#include "engine/ServerFileName.h"
#include "jobs/DownJobRecord.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace ServerFileName;

class tst_FirstAnswer : public QObject {
    Q_OBJECT
private slots:
    void contentDisposition_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("name");
        const auto row = [](const char *tag, const QString &value, const QString &name) {
            QTest::newRow(tag) << value << name;
        };
        row("quoted", "attachment; filename=\"game.swf\"", "game.swf");
        row("token", "attachment; filename=game.swf", "game.swf");
        row("spaces and case", "Attachment ;  FILENAME = \"my game.swf\" ", "my game.swf");
        row("escaped quote", "attachment; filename=\"a\\\"b.swf\"", "a\"b.swf");
        row("semicolon in quotes", "attachment; filename=\"a;b.swf\"; size=3", "a;b.swf");
        row("extended wins", "attachment; filename*=UTF-8''M%C3%A4dchen.swf; filename=\"x.swf\"",
            QString::fromUtf8("Mädchen.swf"));
        row("extended after plain",
            "attachment; filename=\"x.swf\"; filename*=utf-8'de'Gr%C3%B6%C3%9Fe.swf",
            QString::fromUtf8("Größe.swf"));
        row("extended in Latin-1", "attachment; filename*=ISO-8859-1''caf%E9.swf",
            QString::fromUtf8("café.swf"));
        row("UTF-8 bytes in plain", QString::fromLatin1("attachment; filename=\"M\xc3\xa4.swf\""),
            QString::fromUtf8("Mä.swf"));
        row("Latin-1 bytes in plain", QString::fromLatin1("attachment; filename=\"M\xe4.swf\""),
            QString::fromUtf8("Mä.swf"));
        row("bad extended falls back",
            "attachment; filename*=UTF-8''%FF%FE.swf; filename=\"ok.swf\"", "ok.swf");
        row("unknown charset falls back", "attachment; filename*=x-nonsense''a.swf; filename=b.swf",
            "b.swf");
        row("unclosed quote", "attachment; filename=\"open.swf", "open.swf");
        row("no name", "attachment", "");
        row("empty name", "attachment; filename=\"\"", "");
        row("only dots", "attachment; filename=\"....\"", "");
        row("parent folders", "attachment; filename=\"../../.bashrc\"", "bashrc");
        row("backslashes", "attachment; filename=\"..\\..\\win.ini\"", "win.ini");
        row("control characters", "attachment; filename=\"a\x01\tb\x7f.swf\"", "ab.swf");
        row("inline", "inline; filename=clip.swf", "clip.swf");
    }
    void contentDisposition() {
        QFETCH(QString, value);
        QTEST(FromContentDisposition(value), "name");
    }

    void longNamesAreCut() {
        const QString name = Sanitized(QString(10000, QChar(0x00e4)) + QStringLiteral(".swf"));
        QVERIFY(name.toUtf8().size() <= 255);
        QVERIFY(name.endsWith(QLatin1String(".swf")));
        QCOMPARE(name.size(), 125 + 4); // two bytes per character, whole characters only
    }

    void namedAfterUrl_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("fromUrl");
        QTest::newRow("last segment") << "http://h/download.php?id=3"
                                      << "/d/download.php?id=3" << true;
        QTest::newRow("without query") << "http://h/download.php?id=3"
                                       << "/d/download.php" << true;
        QTest::newRow("decoded") << "http://h/my%20game.swf"
                                 << "/d/my game.swf" << true;
        QTest::newRow("folder") << "http://h/get"
                                << "/d/" << true;
        QTest::newRow("typed") << "http://h/download.php?id=3"
                               << "/d/mine.swf" << false;
    }
    void namedAfterUrl() {
        DownJobRecord job;
        QFETCH(QString, url);
        QFETCH(QString, path);
        job.Url = url;
        job.SavePath = path;
        QTEST(NamedAfterUrl(job), "fromUrl");
    }

    // nginx names the file; one part or ten, the file is created under that
    // name, and a name the user chose or a hostile one never moves it.
    void downloadsTakeTheName_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("saved");
        QTest::newRow("1 part") << "download.php?id=3" << QStringList{"--parts", "1"} << "game.swf";
        QTest::newRow("10 parts") << "download.php?id=3" << QStringList{"--parts", "10"}
                                  << "game.swf";
        QTest::newRow("--name wins")
            << "download.php?id=3" << QStringList{"--parts", "2", "--name", "mine.swf"}
            << "mine.swf";
        QTest::newRow("hostile name") << "evil.php" << QStringList{"--parts", "3"} << "bashrc";
        QTest::newRow("dots only") << "dots.php" << QStringList{"--parts", "1"} << "dots.php";
    }
    void downloadsTakeTheName() {
        QFETCH(QString, file);
        QFETCH(QStringList, extra);
        QFETCH(QString, saved);
        NginxServer nginx(
            QStringLiteral("    location = /download.php { add_header Content-Disposition "
                           "'attachment; filename=\"game.swf\"'; }\n"
                           "    location = /evil.php { add_header Content-Disposition "
                           "'attachment; filename=\"../../.bashrc\"'; }\n"
                           "    location = /dots.php { add_header Content-Disposition 'attachment; "
                           "filename=...'; }\n"));
        if (!nginx.available()) QSKIP("nginx is not installed");
        const QByteArray movie = FaultHttpServer::pattern(600000);
        for (const char *name : {"download.php", "evil.php", "dots.php"})
            QVERIFY(nginx.put(QString::fromLatin1(name), movie));
        QVERIFY(nginx.start());
        QTemporaryDir home;
        const QString dir = home.filePath(QStringLiteral("in"));
        MqRunner mq;
        QCOMPARE(mq.run(QStringList{"get", nginx.url(file), "--dir", dir} + extra), 0);
        // The last line names the file (a line before may judge the movie).
        QCOMPARE(QString::fromLocal8Bit(mq.err()).trimmed().split(QLatin1Char('\n')).last(),
                 QDir(dir).filePath(saved));
        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{saved});
        QCOMPARE(readFileBytes(QDir(dir).filePath(saved)), movie);
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"in"});
    }

    // What part 1 received before the split stays its own; the rest is shared.
    void splitAfterPartOne() {
        DownJobRecord r;
        r.Parts = 4;
        r.TotalSize = 72704;
        r.part(1).Pos = 16384;
        RangeBook::SplitRanges(r, r.TotalSize);
        const QList<int> starts{0, 30464, 44544, 58624};
        for (int k = 1; k <= 4; ++k)
            QCOMPARE(r.part(k).StartPos, starts[k - 1]);
        QCOMPARE(r.part(4).EndPos, 72704);
        QCOMPARE(RangeBook::Part1EndAfterRangeTest(r), 30464);
    }

    // A small movie from a server that sends 16 KiB/s per connection: part 1's
    // first block is a second's worth, and still every part gets a range.
    void smallSlowMovieUsesItsParts() {
        NginxServer nginx(QStringLiteral("    location /tiny/ { limit_rate 16k; }\n"));
        if (!nginx.available()) QSKIP("nginx is not installed");
        const QByteArray movie = FaultHttpServer::pattern(72704);
        QVERIFY(nginx.put(QStringLiteral("tiny/movie.swf"), movie));
        QVERIFY(nginx.start());
        QTemporaryDir dir;
        MqRunner mq;
        QCOMPARE(mq.run({"get", nginx.url(QStringLiteral("tiny/movie.swf")), "--parts", "10",
                         "--dir", dir.path(), "--events"}),
                 0);
        const QByteArray events = mq.out();
        QCOMPARE(events.count("\"type\":\"Cancel\""), 0);
        QCOMPARE(events.count("HTTP/1.1 206 Partial Content"), 9);
        QCOMPARE(readFileBytes(dir.filePath(QStringLiteral("movie.swf"))), movie);
    }
};

QTEST_GUILESS_MAIN(tst_FirstAnswer)
#include "tst_firstanswer.moc"
