#include "base/SwfMovie.h"
#include "common/SwfWriter.h"

#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

namespace {
// The tag codes of a plain movie in order, or {-1} when they do not end
// exactly at the end of the file with an End tag.
QList<int> tagCodes(const QByteArray &movie) {
    const int nbits = uchar(movie[8]) >> 3;
    qsizetype at = 8 + (5 + 4 * nbits + 7) / 8 + 4;
    QList<int> codes;
    while (at + 2 <= movie.size()) {
        const quint16 head = qFromLittleEndian<quint16>(movie.constData() + at);
        qsizetype length = head & 0x3f;
        at += 2;
        if (length == 0x3f) {
            length = qFromLittleEndian<quint32>(movie.constData() + at);
            at += 4;
        }
        at += length;
        codes << (head >> 6);
        if (head >> 6 == 0) return at == movie.size() ? codes : QList<int>{-1};
    }
    return {-1};
}
} // namespace

class tst_SwfMovie : public QObject {
    Q_OBJECT
private slots:
    void header_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<char>("compression");
        QTest::addColumn<int>("frames");
        QTest::addColumn<double>("rate");
        QTest::addColumn<bool>("as3");
        QTest::newRow("plain v6") << 6 << 'F' << 10 << 12.0 << false;
        QTest::newRow("zlib v8") << 8 << 'C' << 120 << 24.0 << false;
        QTest::newRow("lzma v13") << 13 << 'Z' << 3 << 30.5 << false;
        QTest::newRow("as3 zlib") << 10 << 'C' << 5 << 25.0 << true;
        QTest::newRow("as3 lzma") << 11 << 'Z' << 7 << 25.0 << true;
        QTest::newRow("one frame") << 4 << 'F' << 1 << 1.0 << false;
        QTest::newRow("many frames") << 9 << 'C' << 2000 << 60.0 << false;
    }

    void header() {
        QFETCH(int, version);
        QFETCH(char, compression);
        QFETCH(int, frames);
        QFETCH(double, rate);
        QFETCH(bool, as3);
        SwfRecipe recipe;
        recipe.version = version;
        recipe.compression = compression;
        recipe.frames = frames;
        recipe.frameRate = rate;
        recipe.actionScript3 = as3;
        recipe.width = 550;
        recipe.height = 400;
        const QByteArray movie = makeSwf(recipe);
        const SwfHeader h = readSwfHeader(movie);
        QVERIFY2(h.valid, qPrintable(h.error));
        QCOMPARE(h.signature, compression);
        QCOMPARE(h.version, version);
        QCOMPARE(h.frameCount, frames);
        QCOMPARE(h.frameRate, rate);
        QCOMPARE(h.width, 550);
        QCOMPARE(h.height, 400);
        QCOMPARE(h.actionScript3, as3);
        QCOMPARE(h.fileLength, quint32(uncompressedSwf(movie).size()));
    }

    void damaged_data() {
        QTest::addColumn<QByteArray>("bytes");
        SwfRecipe recipe;
        recipe.compression = 'C';
        const QByteArray zlib = makeSwf(recipe);
        recipe.compression = 'Z';
        const QByteArray lzma = makeSwf(recipe);
        QByteArray garbledZlib = zlib;
        for (int i = 8; i < garbledZlib.size(); ++i)
            garbledZlib[i] = char(0xA5 ^ i);
        QByteArray badProps = lzma;
        badProps[12] = char(0xff); // lc/lp/pb out of range
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("signature only") << QByteArray("FWS");
        QTest::newRow("unknown signature") << QByteArray("GIF89a\0\0\0\0\0\0", 12);
        QTest::newRow("header without body") << QByteArray("FWS\x06\x08\0\0\0", 8);
        QTest::newRow("rect cut off") << QByteArray("FWS\x06\x20\0\0\0\xff\x00", 10);
        QTest::newRow("zlib garbled") << garbledZlib;
        QTest::newRow("zlib cut after header") << zlib.left(9);
        QTest::newRow("lzma cut in props") << lzma.left(14);
        QTest::newRow("lzma bad props") << badProps;
    }

    void damaged() {
        QFETCH(QByteArray, bytes);
        const SwfHeader h = readSwfHeader(bytes);
        QVERIFY(!h.valid);
        QVERIFY(!h.error.isEmpty());
        QString error;
        QVERIFY(hookedSwf(bytes, &error).isEmpty());
        QVERIFY(!error.isEmpty());
    }

    void hostileBytesNeverCrash() {
        // Every truncation and many single-byte changes of real movies, and random
        // bytes behind each signature: any answer will do, as long as it comes.
        QList<QByteArray> seeds;
        for (char c : {'F', 'C', 'Z'}) {
            SwfRecipe recipe;
            recipe.compression = c;
            recipe.frames = 4;
            recipe.stopFrame = 2;
            seeds << makeSwf(recipe);
        }
        QRandomGenerator random(14);
        for (const QByteArray &seed : seeds) {
            for (int n = 0; n <= seed.size(); ++n) {
                readSwfHeader(seed.left(n));
                hookedSwf(seed.left(n));
            }
            for (int i = 0; i < 300; ++i) {
                QByteArray changed = seed;
                changed[random.bounded(int(changed.size()))] = char(random.bounded(256));
                readSwfHeader(changed);
                const QByteArray hooked = hookedSwf(changed);
                if (!hooked.isEmpty())
                    QCOMPARE(qFromLittleEndian<quint32>(hooked.constData() + 4),
                             quint32(hooked.size()));
            }
        }
        for (const char *sig : {"FWS", "CWS", "ZWS"})
            for (int i = 0; i < 300; ++i) {
                QByteArray bytes(sig);
                for (int n = random.bounded(40); n > 0; --n)
                    bytes += char(random.bounded(256));
                readSwfHeader(bytes);
                hookedSwf(bytes);
            }
    }

    void uncompressedMatchesPlain() {
        SwfRecipe recipe;
        recipe.frames = 30;
        const QByteArray plain = makeSwf(recipe);
        for (char c : {'C', 'Z'}) {
            recipe.compression = c;
            QString error;
            QCOMPARE(uncompressedSwf(makeSwf(recipe), &error), plain);
            QVERIFY(error.isEmpty());
        }
        QCOMPARE(uncompressedSwf(plain), plain);
    }

    void hook_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<char>("compression");
        QTest::addColumn<int>("expectedVersion");
        QTest::addColumn<QList<int>>("firstTags");
        // 12 DoAction, 69 FileAttributes, 9 SetBackgroundColor, 2 DefineShape.
        QTest::newRow("v6 plain raised to 8") << 6 << 'F' << 8 << QList<int>{12, 9, 2};
        QTest::newRow("v4 zlib raised to 8") << 4 << 'C' << 8 << QList<int>{12, 9, 2};
        QTest::newRow("v9 lzma after attributes") << 9 << 'Z' << 9 << QList<int>{69, 12, 9};
    }

    void hook() {
        QFETCH(int, version);
        QFETCH(char, compression);
        SwfRecipe recipe;
        recipe.version = version;
        recipe.compression = compression;
        recipe.frames = 6;
        QString error;
        const QByteArray hooked = hookedSwf(makeSwf(recipe), &error);
        QVERIFY2(!hooked.isEmpty(), qPrintable(error));
        QCOMPARE(hooked.left(3), QByteArray("FWS"));
        QTEST(int(uchar(hooked[3])), "expectedVersion");
        QCOMPARE(qFromLittleEndian<quint32>(hooked.constData() + 4), quint32(hooked.size()));
        const QList<int> codes = tagCodes(hooked);
        QTEST(QList<int>(codes.mid(0, 3)), "firstTags");
        QCOMPARE(codes.count(12), 1);
        QCOMPARE(codes.count(1), 6); // the frames are all still there
        for (const char *name : {"mqFrame", "mqGotoPlay", "mqGotoStop", "mqPlay", "addCallback"})
            QVERIFY(hooked.contains(name));
        const SwfHeader h = readSwfHeader(hooked);
        QCOMPARE(h.frameCount, 6);
    }

    void hookRefusesActionScript3() {
        SwfRecipe recipe;
        recipe.actionScript3 = true;
        recipe.version = 10;
        QString error;
        QVERIFY(hookedSwf(makeSwf(recipe), &error).isEmpty());
        QCOMPARE(error, QStringLiteral("ActionScript 3 movie"));
    }
};

QTEST_GUILESS_MAIN(tst_SwfMovie)
#include "tst_swfmovie.moc"
