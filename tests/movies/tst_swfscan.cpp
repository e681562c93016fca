#include "common/SwfWriter.h"
#include "movies/Adler32.h"
#include "movies/MovieDeps.h"
#include "movies/SwfScan.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QtEndian>
#include <QtTest>
#include <zlib.h>

// The movie reader on generated movies: facts, verdicts on damaged and
// hostile bytes (bounded time and memory), the names in the code.

namespace {
SwfScanOptions withNames() {
    SwfScanOptions o;
    o.names = true;
    return o;
}

struct Scanned {
    MovieFacts facts;
    QStringList names;
};

Scanned scanned(const QByteArray &bytes, SwfScanOptions options = {}, qint64 slice = 0) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    SwfScan scan(buffer, options);
    if (slice > 0)
        while (!scan.step(slice)) {
        }
    else
        scan.run();
    return {scan.facts(), scan.names()};
}

QByteArray withDeclared(QByteArray movie, quint32 length) {
    qToLittleEndian(length, movie.data() + 4);
    return movie;
}

SwfRecipe recipe(char compression, int frames = 10) {
    SwfRecipe r;
    r.compression = compression;
    r.frames = frames;
    return r;
}

// A DoABC tag whose string pool holds `strings`.
QByteArray abcTag(const QList<QByteArray> &strings) {
    QByteArray abc("\x10\0\x2e\0", 4);
    abc += QByteArray(3, '\0'); // no integers, unsigned integers or doubles
    abc += char(strings.size() + 1);
    for (const QByteArray &s : strings)
        abc += char(s.size()) + s;
    return swfTag(82, QByteArray(4, '\0') + QByteArray(1, '\0') + abc);
}
} // namespace

Q_DECLARE_METATYPE(SwfRecipe)

class tst_SwfScan : public QObject {
    Q_OBJECT
private slots:
    void factsOfWholeMovies_data() {
        QTest::addColumn<SwfRecipe>("r");
        SwfRecipe r;
        r.version = 9;
        r.width = 550;
        r.height = 400;
        r.frameRate = 29.5;
        r.frames = 240;
        for (char c : {'F', 'C', 'Z'}) {
            r.compression = c;
            QTest::newRow(qPrintable(QStringLiteral("%1WS").arg(c))) << r;
        }
        r.actionScript3 = true;
        r.version = 10;
        QTest::newRow("as3") << r;
    }

    void factsOfWholeMovies() {
        QFETCH(SwfRecipe, r);
        const QByteArray movie = makeSwf(r);
        const MovieFacts f = scanned(movie, {}, 100).facts;
        QCOMPARE(f.signature, QStringLiteral("%1WS").arg(r.compression));
        QCOMPARE(f.version, r.version);
        QCOMPARE(f.width, r.width);
        QCOMPARE(f.height, r.height);
        QCOMPARE(f.frameRate, r.frameRate);
        QCOMPARE(f.frameCount, r.frames);
        QCOMPARE(f.as3, r.actionScript3);
        QCOMPARE(f.length, f.declaredLength);
        QVERIFY2(f.whole, qPrintable(f.problem));
    }

    void damagedAndHostileBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem"); // the start of the problem text
        const QByteArray plain = makeSwf(recipe('F'));
        const QByteArray zlib = makeSwf(recipe('C', 200));
        const QByteArray lzma = makeSwf(recipe('Z', 200));
        QTest::newRow("empty") << QByteArray() << "empty file";
        QTest::newRow("html") << QByteArray("\n <!DOCTYPE html><html>...")
                              << "not a Flash movie (the";
        QTest::newRow("header cut") << plain.left(6) << "header cut short";
        QTest::newRow("plain cut short") << plain.left(plain.size() / 2) << "cut short: ";
        QTest::newRow("zlib cut short") << zlib.left(zlib.size() / 2) << "cut short: ";
        QTest::newRow("lzma cut short") << lzma.left(lzma.size() / 2) << "cut short: ";
        QByteArray badZlib = zlib;
        for (int i = 20; i < 40; ++i)
            badZlib[i] = char(~badZlib[i]);
        QTest::newRow("bad zlib") << badZlib << "damaged zlib data";
        QByteArray badSum = zlib;
        badSum[badSum.size() - 1] = char(badSum.back() ^ 1); // the stored Adler-32
        QTest::newRow("zlib checksum") << badSum << "damaged zlib data (incorrect data check)";
        QByteArray badLzma = lzma;
        badLzma[12] = char(0xff); // properties no decoder takes
        QTest::newRow("bad lzma") << badLzma << "damaged LZMA data";
        QTest::newRow("declared 4 GB") << withDeclared(lzma, 0xffffffffu) << "declared length";
        QTest::newRow("zlib longer than declared")
            << withDeclared(zlib, quint32(zlib.size())) << "longer than the";
        QTest::newRow("plain longer than declared") << withDeclared(plain, 30) << "";
        QTest::newRow("no End tag")
            << withDeclared(plain.chopped(2), quint32(plain.size() - 2)) << "no End tag";
        QByteArray stage =
            QByteArray("FWS\x06\0\0\0\0", 8) + char(31 << 3) + QByteArray(16, '\xff');
        stage += QByteArray("\0\x0c\x01\0\0\0", 6);
        QTest::newRow("huge stage") << withDeclared(stage, quint32(stage.size())) << "stage size";
        SwfRecipe tags = recipe('C', 1);
        tags.extraTags = swfTag(9, "abc").repeated(100000);
        const QByteArray many = makeSwf(tags);
        QTest::newRow("100,000 tags") << many << "";
    }

    void damagedAndHostileBytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        QElapsedTimer clock;
        clock.start();
        const MovieFacts f = scanned(bytes, withNames()).facts;
        QVERIFY2(clock.elapsed() < 2000, "a scan of a small input must be quick");
        if (QByteArray(QTest::currentDataTag()) == "100,000 tags") {
            QVERIFY2(f.whole, qPrintable(f.problem));
            QCOMPARE(f.tags, 100000 + 5);
            return;
        }
        QVERIFY(!f.whole);
        QVERIFY2(f.problem.startsWith(problem) && !f.problem.isEmpty(), qPrintable(f.problem));
        QVERIFY(f.width >= 0 && f.height >= 0); // never a nonsense stage
    }

    // The checksum of inflated bytes against zlib's own, over the lengths
    // where its sums are reduced and the largest bytes and start values.
    void adler32AsZlibSumsIt_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<uint>("start");
        QByteArray random(100000, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(random.data()), 25000);
        for (int n : {0, 1, 15, 16, 17, 5551, 5552, 5553, 5568, 100000}) {
            QTest::newRow(qPrintable(QStringLiteral("ff %1").arg(n)))
                << QByteArray(n, '\xff') << uint(0xfff0fff0); // sums of 65520 already
            QTest::newRow(qPrintable(QStringLiteral("random %1").arg(n)))
                << random.left(n).mid(n > 3 ? 3 : 0) << 1u; // also unaligned
        }
    }

    void adler32AsZlibSumsIt() {
        QFETCH(QByteArray, bytes);
        QFETCH(uint, start);
        const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
        QCOMPARE(adler32Update(start, data, size_t(bytes.size())),
                 quint32(adler32(start, data, uInt(bytes.size()))));
    }

    void namesOfTheCode() {
        SwfRecipe r = recipe('C');
        r.loads = QStringList{"level2.swf", "music.mp3?v=2", "data.xml"};
        // A pool of 65,535 strings, one of them an address; names in ABC.
        QByteArray pool = QByteArray("\x88") + QByteArray(2, '\0') + QByteArray("\xff\xff", 2);
        pool += QByteArray(65000, '\0'); // the record ends long before 65,535 strings
        pool += QByteArray("deep/clip.flv\0", 14);
        qToLittleEndian(quint16(pool.size() - 3), pool.data() + 1);
        r.extraTags = swfTag(12, pool + '\0') + abcTag({"sounds/a.mp3", "_root", "no.swf.x"});
        QElapsedTimer clock;
        clock.start();
        const Scanned scan = scanned(makeSwf(r), withNames());
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(scan.names, QStringList({"deep/clip.flv", "sounds/a.mp3", "level2.swf",
                                          "music.mp3?v=2", "data.xml"}));
        QVERIFY(scan.facts.whole);
    }

    void addressesAndPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address"); // empty: not offered
        QTest::addColumn<QString>("place");
        const QString movie = "http://h.example/games/a/movie.swf";
        QTest::newRow("beside") << "level2.swf"
                                << "http://h.example/games/a/level2.swf"
                                << "level2.swf";
        QTest::newRow("below") << "snd/b%20c.mp3?x=1"
                               << "http://h.example/games/a/snd/b%20c.mp3?x=1"
                               << "snd/b c.mp3";
        QTest::newRow("parent") << "../x.xml"
                                << "http://h.example/games/x.xml"
                                << "h.example/games/x.xml";
        QTest::newRow("other host") << "https://cdn.example:8443/v/1.flv"
                                    << "https://cdn.example:8443/v/1.flv"
                                    << "cdn.example_8443/v/1.flv";
        QTest::newRow("self") << "movie.swf"
                              << ""
                              << "";
        QTest::newRow("other scheme") << "ftp://h.example/a.swf"
                                      << ""
                                      << "";
        QTest::newRow("javascript") << "javascript:go('a.swf')"
                                    << ""
                                    << "";
        QTest::newRow("no extension") << "http://h.example/page"
                                      << ""
                                      << "";
        QTest::newRow("text") << "Press play.mp3 now"
                              << ""
                              << "";
        QTest::newRow("escape") << "%2e%2e/%2e%2e/etc.xml"
                                << "http://h.example/etc.xml"
                                << "h.example/etc.xml";
        Q_UNUSED(movie);
    }

    void addressesAndPlaces() {
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QString, place);
        const QString movie = "http://h.example/games/a/movie.swf";
        const QStringList resolved = MovieDeps::resolve({name}, movie);
        QCOMPARE(resolved, address.isEmpty() ? QStringList() : QStringList{address});
        if (!address.isEmpty()) QCOMPARE(MovieDeps::localPath(movie, address), place);
    }

    void atMost200Addresses() {
        QStringList names;
        for (int i = 0; i < 500; ++i)
            names << QStringLiteral("m%1.swf").arg(i) << QStringLiteral("m%1.swf").arg(i);
        const QStringList out = MovieDeps::resolve(names, "http://h.example/a.swf");
        QCOMPARE(out.size(), MovieDeps::kMaxAddresses);
        QCOMPARE(out.last(), QStringLiteral("http://h.example/m199.swf"));
        QCOMPARE(MovieDeps::fromFlashVars("skin=s.swf&autoplay=1&file=v%2Fa.flv"),
                 QStringList({"s.swf", "v/a.flv"}));
    }
};

QTEST_GUILESS_MAIN(tst_SwfScan)
#include "tst_swfscan.moc"
