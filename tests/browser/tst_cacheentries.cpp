#include "CacheEntryWriter.h"
#include "browser/BodyDecoder.h"
#include "browser/BrowserCache.h"
#include "browser/ChromiumCacheEntry.h"
#include "browser/FirefoxCacheEntry.h"
#include "common/TestFiles.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <zlib.h>

namespace W = CacheEntryWriter;

namespace {
const QByteArray kUrl = "http://127.0.0.1:8080/movies/a.swf";
const QByteArray kChromiumKey = "1/0/_dk_http://127.0.0.1 http://127.0.0.1 " + kUrl;
const QByteArray kFirefoxKey = "O^partitionKey=%28http%2C127.0.0.1%29,:" + kUrl;

QByteArray movieBytes(int size) {
    QByteArray b = "FWS\x08";
    while (b.size() < size)
        b += char(b.size() * 7);
    return b.left(size);
}
QByteArray okHead(qint64 length, const QByteArray &encoding = {}) {
    QByteArray h = "HTTP/1.1 200 OK\nContent-Type: application/x-shockwave-flash\n";
    if (length >= 0) h += "Content-Length: " + QByteArray::number(length) + "\n";
    if (!encoding.isEmpty()) h += "Content-Encoding: " + encoding + "\n";
    return h;
}
template <bool (*Read)(QIODevice &, CacheEntry &)>
bool readWith(const QByteArray &bytes, CacheEntry &e) {
    QBuffer b;
    b.setData(bytes);
    b.open(QIODevice::ReadOnly);
    return Read(b, e);
}
const auto readChromium = readWith<ChromiumCacheEntry::read>;
const auto readFirefox = readWith<FirefoxCacheEntry::read>;
// A movie that compresses less than the pattern of movieBytes().
QByteArray mixedMovie() {
    QByteArray movie = movieBytes(700000);
    for (int i = 0; i < movie.size(); i += 3)
        movie[i] = char(i % 251);
    return movie;
}
QByteArray patched(QByteArray bytes, qsizetype at, const QByteArray &with) {
    if (at < 0) at += bytes.size();
    return bytes.replace(at, with.size(), with);
}
} // namespace

class TestCacheEntries : public QObject {
    Q_OBJECT
private slots:
    void readsWellFormedEntries() {
        const QByteArray body = movieBytes(1000);
        CacheEntry c;
        QVERIFY(readChromium(W::chromium(kChromiumKey, body, okHead(1000)), c));
        QCOMPARE(c.key, kChromiumKey);
        QCOMPARE(c.bodyOffset, 24 + kChromiumKey.size());
        QCOMPARE(c.bodyLength, 1000);
        QCOMPARE(c.status, 200);
        QCOMPARE(c.contentLength, 1000);
        QVERIFY(c.isWhole());
        CacheEntry f;
        QVERIFY(readFirefox(W::firefox(kFirefoxKey, body, okHead(1000, "GZip")), f));
        QCOMPARE(f.key, kFirefoxKey);
        QCOMPARE(f.bodyOffset, 0);
        QCOMPARE(f.bodyLength, 1000);
        QCOMPARE(f.contentEncoding, QByteArray("gzip"));
        CacheEntry f1; // the oldest metadata version has no flags field
        QVERIFY(readFirefox(W::firefox(kFirefoxKey, body, okHead(1000), 1), f1));
        QCOMPARE(f1.key, kFirefoxKey);
        CacheEntry big; // bodies over 256 KiB carry more chunk hashes
        QVERIFY(readFirefox(W::firefox(kFirefoxKey, movieBytes(600000), okHead(600000)), big));
        QCOMPARE(big.bodyLength, 600000);
        QCOMPARE(big.status, 200);
    }
    void damagedChromium_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = W::chromium(kChromiumKey, movieBytes(100), okHead(100));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("wrong header magic") << patched(good, 0, W::le64(0x1122334455667788ULL));
        QTest::newRow("wrong end magic") << patched(good, -24, W::le64(1));
        QTest::newRow("zero key length") << patched(good, 12, W::le32(0));
        QTest::newRow("key length beyond the file") << patched(good, 12, W::le32(0xffffffffu));
        QTest::newRow("key length just past the file")
            << patched(good, 12, W::le32(quint32(good.size())));
        QTest::newRow("head size beyond the file") << patched(good, -8, W::le32(0x7fffffffu));
        QTest::newRow("head size reaching into the key")
            << patched(good, -8, W::le32(quint32(good.size() - 60)));
        QTest::newRow("body end record missing")
            << patched(good, 24 + kChromiumKey.size() + 100, W::le64(0));
        QTest::newRow("header only") << good.left(24);
    }
    void damagedChromium() {
        QFETCH(QByteArray, bytes);
        CacheEntry e;
        e.path = "kept";
        QVERIFY(!readChromium(bytes, e));
        QCOMPARE(e.path, QString("kept"));
        QVERIFY(e.key.isEmpty());
    }
    void damagedFirefox_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = W::firefox(kFirefoxKey, movieBytes(100), okHead(100));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("three bytes") << QByteArray("abc");
        QTest::newRow("offset beyond the file") << patched(good, -4, W::be32(0xfffffff0u));
        QTest::newRow("offset at the end") << patched(good, -4, W::be32(quint32(good.size() - 4)));
        QTest::newRow("unknown version") << patched(good, 100 + 6, W::be32(99));
        QTest::newRow("version zero") << patched(good, 100 + 6, W::be32(0));
        QTest::newRow("key size beyond the file")
            << patched(good, 100 + 6 + 24, W::be32(0x7fffffffu));
        QTest::newRow("key not NUL-terminated")
            << patched(good, 100 + 6 + 32 + kFirefoxKey.size(), "X");
        QTest::newRow("metadata too large")
            << W::firefox(kFirefoxKey, {}, okHead(0) + "X-Pad: " + QByteArray(2 << 20, 'p'));
    }
    void damagedFirefox() {
        QFETCH(QByteArray, bytes);
        CacheEntry e;
        e.path = "kept";
        QVERIFY(!readFirefox(bytes, e));
        QCOMPARE(e.path, QString("kept"));
    }
    void everyTruncationRejected() {
        // A cache entry cut off anywhere (a browser killed while writing) is never
        // taken for a whole one.
        const QByteArray chromium = W::chromium(kChromiumKey, movieBytes(300), okHead(300));
        const QByteArray firefox = W::firefox(kFirefoxKey, movieBytes(300), okHead(300));
        for (int n = 0; n < chromium.size(); ++n) {
            CacheEntry e;
            if (readChromium(chromium.left(n), e))
                QVERIFY2(!e.isWhole(), qPrintable(QString("chromium cut at %1").arg(n)));
        }
        for (int n = 0; n < firefox.size(); ++n) {
            CacheEntry e;
            if (readFirefox(firefox.left(n), e))
                QVERIFY2(!e.isWhole() || !e.key.endsWith(kUrl),
                         qPrintable(QString("firefox cut at %1").arg(n)));
        }
    }
    void hits_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("bodySize");
        QTest::addColumn<QString>("lookup");
        QTest::addColumn<bool>("hit");
        const QString url = QString::fromLatin1(kUrl);
        for (const QString format : {"chromium", "firefox"}) {
            const QByteArray key = format == "chromium" ? kChromiumKey : kFirefoxKey;
            const char *f = format == "chromium" ? "chromium: " : "firefox: ";
            QTest::newRow(QByteArray(f) + "whole")
                << format << key << okHead(500) << 500 << url << true;
            QTest::newRow(QByteArray(f) + "fragment ignored")
                << format << key << okHead(500) << 500 << url + "#frame=3" << true;
            QTest::newRow(QByteArray(f) + "no content-length")
                << format << key << okHead(-1) << 500 << url << true;
            QTest::newRow(QByteArray(f) + "shorter than content-length")
                << format << key << okHead(900) << 500 << url << false;
            QTest::newRow(QByteArray(f) + "partial answer")
                << format << key
                << QByteArray("HTTP/1.1 206 Partial Content\nContent-Length: 500\n") << 500 << url
                << false;
            QTest::newRow(QByteArray(f) + "not found")
                << format << key << QByteArray("HTTP/1.1 404 Not Found\nContent-Length: 500\n")
                << 500 << url << false;
            QTest::newRow(QByteArray(f) + "no status line")
                << format << key << QByteArray("garbage") << 500 << url << false;
            QTest::newRow(QByteArray(f) + "other address ending alike")
                << format << key << okHead(500) << 500 << "http://127.0.0.1:8080/a.swf" << false;
            QTest::newRow(QByteArray(f) + "longer address")
                << format << key << okHead(500) << 500 << url + "x" << false;
            QTest::newRow(QByteArray(f) + "unknown encoding")
                << format << key << okHead(500, "compress") << 500 << url << false;
        }
        QTest::newRow("chromium: plain key")
            << "chromium" << kUrl << okHead(10) << 10 << url << true;
        QTest::newRow("chromium: key glued to the address")
            << "chromium"
            << "x" + kUrl << okHead(10) << 10 << url << false;
        QTest::newRow("firefox: key glued to the address")
            << "firefox"
            << "a," + kUrl << okHead(10) << 10 << url << false;
    }
    void hits() {
        QFETCH(QString, format);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, head);
        QFETCH(int, bodySize);
        QTemporaryDir dir;
        const QByteArray body = movieBytes(bodySize);
        const bool chromium = format == "chromium";
        QVERIFY(
            writeFileBytes(dir.filePath(chromium ? "0123456789abcdef_0"
                                                 : "0123456789ABCDEF0123456789ABCDEF01234567"),
                           chromium ? W::chromium(key, body, head) : W::firefox(key, body, head)));
        BrowserCache cache(CacheFolders::fromDirs({dir.path()}));
        QFETCH(QString, lookup);
        QFETCH(bool, hit);
        QCOMPARE(cache.IsInCache(lookup), hit);
        if (!cache.entry().path.isEmpty()) {
            QCOMPARE(cache.entry().browser, format);
            QCOMPARE(readFileBytes(cache.CacheFileName()), body);
        } else {
            QVERIFY(cache.CacheFileName().isEmpty());
        }
    }
    void decodes_data() {
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QByteArray>("stored");
        const QByteArray movie = mixedMovie();
        QTest::newRow("identity") << QByteArray("identity") << movie;
        QTest::newRow("gzip") << QByteArray("gzip")
                              << CacheEntryWriter::zlibCompress(movie, 15 + 16);
        QTest::newRow("x-gzip") << QByteArray("x-gzip")
                                << CacheEntryWriter::zlibCompress(movie, 15 + 16);
        QTest::newRow("deflate (zlib)")
            << QByteArray("deflate") << CacheEntryWriter::zlibCompress(movie, 15);
        QTest::newRow("deflate (raw)")
            << QByteArray("deflate") << CacheEntryWriter::zlibCompress(movie, -15);
        QTest::newRow("br") << QByteArray("br") << W::brotliCompress(movie);
        QTest::newRow("gzip with trailing bytes")
            << QByteArray("gzip") << CacheEntryWriter::zlibCompress(movie, 15 + 16) + "junk";
    }
    void decodes() {
        QFETCH(QByteArray, encoding);
        QFETCH(QByteArray, stored);
        const QByteArray movie = mixedMovie();
        QTemporaryDir dir;
        QVERIFY(writeFileBytes(dir.filePath("00000000000000aa_0"),
                               W::chromium(kChromiumKey, stored, okHead(stored.size(), encoding))));
        BrowserCache cache(CacheFolders::fromDirs({dir.path()}));
        QVERIFY(cache.IsInCache(QString::fromLatin1(kUrl)));
        const QString copy = cache.CacheFileName();
        QVERIFY2(!copy.isEmpty(), qPrintable(cache.error()));
        QVERIFY(readFileBytes(copy) == movie);
        QVERIFY(!copy.startsWith(dir.path())); // never beside the browser's entries
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }
    void brokenCompressedBodyIsNoCopy() {
        const QByteArray gz = CacheEntryWriter::zlibCompress(movieBytes(5000), 15 + 16);
        for (const QByteArray &stored : {gz.left(gz.size() / 2), QByteArray("not gzip at all"),
                                         patched(gz, 40, "\xff\xff\xff\xff")}) {
            QTemporaryDir dir;
            QVERIFY(
                writeFileBytes(dir.filePath("00000000000000aa_0"),
                               W::chromium(kChromiumKey, stored, okHead(stored.size(), "gzip"))));
            BrowserCache cache(CacheFolders::fromDirs({dir.path()}));
            QVERIFY(cache.IsInCache(QString::fromLatin1(kUrl)));
            QVERIFY(cache.CacheFileName().isEmpty());
            QVERIFY(!cache.error().isEmpty());
        }
    }
    void preferredBrowserFirst() {
        QTemporaryDir home;
        const QString chrome = home.filePath(".cache/chromium/Profile 2/Cache/Cache_Data");
        const QString fox = home.filePath(".cache/mozilla/firefox/abc.default-esr/cache2/entries");
        QVERIFY(QDir().mkpath(chrome) && QDir().mkpath(fox));
        QVERIFY(QDir().mkpath(home.filePath(".cache/vivaldi/Default"))); // a profile without cache
        QVERIFY(writeFileBytes(chrome + "/00000000000000aa_0",
                               W::chromium(kChromiumKey, "from chromium", okHead(13))));
        QVERIFY(writeFileBytes(fox + "/0123456789ABCDEF0123456789ABCDEF01234567",
                               W::firefox(kFirefoxKey, "from firefox", okHead(12))));
        const QVector<CacheFolder> folders = CacheFolders::profiles(home.path());
        QCOMPARE(folders.size(), 2);
        BrowserCache cache(folders);
        QVERIFY(cache.IsInCache(QString::fromLatin1(kUrl)));
        QCOMPARE(readFileBytes(cache.CacheFileName()), QByteArray("from chromium"));
        cache.setPreferredBrowser("firefox");
        QVERIFY(cache.IsInCache(QString::fromLatin1(kUrl)));
        QCOMPARE(cache.entry().browser, QString("firefox"));
        QCOMPARE(readFileBytes(cache.CacheFileName()), QByteArray("from firefox"));
        // A profile or user-data folder given directly is found too.
        QCOMPARE(CacheFolders::fromDirs({home.filePath(".cache/chromium/Profile 2"),
                                         home.filePath(".cache/mozilla/firefox/abc.default-esr")})
                     .size(),
                 2);
    }
    void hostileFolder() {
        // 10,000 entries, a pipe and a folder under entry names, a huge sparse
        // file: the lookup ends quickly, reads nothing outside the files and
        // still finds the one hit.
        QTemporaryDir dir;
        const QByteArray other = W::chromium("1/0/http://other.test/x.swf", "x", okHead(1));
        for (int i = 0; i < 10000; ++i)
            QVERIFY(
                writeFileBytes(dir.filePath(QString("%1_0").arg(i, 16, 16, QChar('0'))), other));
        QVERIFY(mkfifo(QFile::encodeName(dir.filePath("fffffffffffffff0_0")).constData(), 0600) ==
                0);
        QVERIFY(QDir().mkdir(dir.filePath("fffffffffffffff1_0")));
        {
            QFile sparse(dir.filePath("fffffffffffffff2_0"));
            QVERIFY(sparse.open(QIODevice::WriteOnly));
            sparse.write(W::le64(0xfcfb6d1ba7725c30ULL) + W::le32(5) +
                         W::le32(kChromiumKey.size()) + W::le64(0) + kChromiumKey);
            QVERIFY(sparse.resize(qint64(3) << 30));
        }
        QVERIFY(writeFileBytes(dir.filePath("fffffffffffffff3_0"),
                               W::chromium(kChromiumKey, "the movie", okHead(9))));
        BrowserCache cache(CacheFolders::fromDirs({dir.path()}));
        QVERIFY(cache.IsInCache(QString::fromLatin1(kUrl)));
        QCOMPARE(cache.entry().path, dir.filePath("fffffffffffffff3_0"));
        QVERIFY(!cache.IsInCache("http://missing.test/a.swf"));
    }
};

QTEST_GUILESS_MAIN(TestCacheEntries)
#include "tst_cacheentries.moc"
