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
// A cache folder holding one entry file: the lookup of kUrl in it.
std::unique_ptr<BrowserCache> cacheWith(const QTemporaryDir &dir, const QByteArray &entry,
                                        const QString &name = "00000000000000aa_0") {
    if (!writeFileBytes(dir.filePath(name), entry)) return nullptr;
    return std::make_unique<BrowserCache>(CacheFolders::fromDirs({dir.path()}));
}
} // namespace

class TestCacheEntries : public QObject {
    Q_OBJECT
private slots:
    // What the lookups below do not show; whole bodies and keys are hits()'s.
    void readsWellFormedEntries() {
        const QByteArray body = movieBytes(1000);
        CacheEntry c, f, f1, big;
        QVERIFY(readChromium(W::chromium(kChromiumKey, body, okHead(1000)), c));
        QCOMPARE(c.bodyOffset, 24 + kChromiumKey.size());
        QCOMPARE(c.contentLength, 1000);
        QVERIFY(readFirefox(W::firefox(kFirefoxKey, body, okHead(1000, "GZip")), f));
        QCOMPARE(f.contentEncoding, QByteArray("gzip"));
        // The oldest metadata version has no flags field.
        QVERIFY(readFirefox(W::firefox(kFirefoxKey, body, okHead(1000), 1), f1));
        QCOMPARE(f1.key, kFirefoxKey);
        // Bodies over 256 KiB carry more chunk hashes.
        QVERIFY(readFirefox(W::firefox(kFirefoxKey, movieBytes(600000), okHead(600000)), big));
        QCOMPARE(big.bodyLength, 600000);
        QVERIFY(big.isWhole());
    }
    void damaged_data() {
        QTest::addColumn<bool>("chromium");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray c = W::chromium(kChromiumKey, movieBytes(100), okHead(100));
        const auto row = [](const char *tag, bool chromium, const QByteArray &bytes) {
            QTest::addRow("%s: %s", chromium ? "chromium" : "firefox", tag) << chromium << bytes;
        };
        row("empty", true, {});
        row("wrong header magic", true, patched(c, 0, W::le64(0x1122334455667788ULL)));
        row("wrong end magic", true, patched(c, -24, W::le64(1)));
        row("zero key length", true, patched(c, 12, W::le32(0)));
        row("key length beyond the file", true, patched(c, 12, W::le32(0xffffffffu)));
        row("key length just past the file", true, patched(c, 12, W::le32(quint32(c.size()))));
        row("head size beyond the file", true, patched(c, -8, W::le32(0x7fffffffu)));
        row("head size reaching into the key", true,
            patched(c, -8, W::le32(quint32(c.size() - 60))));
        row("body end record missing", true,
            patched(c, 24 + kChromiumKey.size() + 100, W::le64(0)));
        row("header only", true, c.left(24));
        const QByteArray f = W::firefox(kFirefoxKey, movieBytes(100), okHead(100));
        row("empty", false, {});
        row("three bytes", false, "abc");
        row("offset beyond the file", false, patched(f, -4, W::be32(0xfffffff0u)));
        row("offset at the end", false, patched(f, -4, W::be32(quint32(f.size() - 4))));
        row("unknown version", false, patched(f, 100 + 6, W::be32(99)));
        row("version zero", false, patched(f, 100 + 6, W::be32(0)));
        row("key size beyond the file", false, patched(f, 100 + 6 + 24, W::be32(0x7fffffffu)));
        row("key not NUL-terminated", false, patched(f, 100 + 6 + 32 + kFirefoxKey.size(), "X"));
        row("metadata too large", false,
            W::firefox(kFirefoxKey, {}, okHead(0) + "X-Pad: " + QByteArray(2 << 20, 'p')));
    }
    void damaged() {
        QFETCH(bool, chromium);
        QFETCH(QByteArray, bytes);
        CacheEntry e;
        e.path = "kept";
        QVERIFY(!(chromium ? readChromium : readFirefox)(bytes, e));
        QCOMPARE(e.path, QString("kept"));
        QVERIFY(e.key.isEmpty());
    }
    void everyTruncationRejected() {
        // A cache entry cut off anywhere (a browser killed while writing) is never
        // taken for a whole one.
        const QByteArray chromium = W::chromium(kChromiumKey, movieBytes(300), okHead(300));
        const QByteArray firefox = W::firefox(kFirefoxKey, movieBytes(300), okHead(300));
        for (int n = 0; n < std::max(chromium.size(), firefox.size()); ++n) {
            CacheEntry c, f;
            if (n < chromium.size() && readChromium(chromium.left(n), c))
                QVERIFY2(!c.isWhole(), qPrintable(QString("chromium cut at %1").arg(n)));
            if (n < firefox.size() && readFirefox(firefox.left(n), f))
                QVERIFY2(!f.isWhole() || !f.key.endsWith(kUrl),
                         qPrintable(QString("firefox cut at %1").arg(n)));
        }
    }
    void hits_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("lookup");
        QTest::addColumn<bool>("hit");
        const QString url = QString::fromLatin1(kUrl);
        const auto row = [](const QString &format, const char *tag, const QByteArray &key,
                            const QByteArray &head, const QString &lookup, bool hit) {
            QTest::addRow("%s: %s", qPrintable(format), tag)
                << format << key << head << lookup << hit;
        };
        for (const QString format : {"chromium", "firefox"}) {
            const QByteArray key = format == "chromium" ? kChromiumKey : kFirefoxKey;
            row(format, "whole", key, okHead(500), url, true);
            row(format, "fragment ignored", key, okHead(500), url + "#frame=3", true);
            row(format, "no content-length", key, okHead(-1), url, true);
            row(format, "shorter than content-length", key, okHead(900), url, false);
            row(format, "partial answer", key,
                "HTTP/1.1 206 Partial Content\nContent-Length: 500\n", url, false);
            row(format, "not found", key, "HTTP/1.1 404 Not Found\nContent-Length: 500\n", url,
                false);
            row(format, "no status line", key, "garbage", url, false);
            row(format, "other address ending alike", key, okHead(500),
                "http://127.0.0.1:8080/a.swf", false);
            row(format, "longer address", key, okHead(500), url + "x", false);
            row(format, "unknown encoding", key, okHead(500, "compress"), url, false);
        }
        row("chromium", "plain key", kUrl, okHead(500), url, true);
        row("chromium", "key glued to the address", "x" + kUrl, okHead(500), url, false);
        row("firefox", "key glued to the address", "a," + kUrl, okHead(500), url, false);
    }
    void hits() {
        QFETCH(QString, format);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, head);
        QFETCH(QString, lookup);
        QTemporaryDir dir;
        const QByteArray body = movieBytes(500);
        const bool chromium = format == "chromium";
        const auto cache = chromium ? cacheWith(dir, W::chromium(key, body, head))
                                    : cacheWith(dir, W::firefox(key, body, head),
                                                "0123456789ABCDEF0123456789ABCDEF01234567");
        QVERIFY(cache);
        QTEST(cache->IsInCache(lookup), "hit");
        if (!cache->entry().path.isEmpty()) {
            QCOMPARE(cache->entry().browser, format);
            QCOMPARE(readFileBytes(cache->CacheFileName()), body);
        } else {
            QVERIFY(cache->CacheFileName().isEmpty());
        }
    }
    // Bodies stored as the server sent them are copied decoded; a broken one
    // is no copy, with the reason given.
    void decodes_data() {
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("movie"); // empty: no copy
        const QByteArray movie = mixedMovie();
        const QByteArray gz = W::zlibCompress(movie, 15 + 16);
        QTest::newRow("identity") << QByteArray("identity") << movie << movie;
        QTest::newRow("gzip") << QByteArray("gzip") << gz << movie;
        QTest::newRow("x-gzip") << QByteArray("x-gzip") << gz << movie;
        QTest::newRow("deflate (zlib)")
            << QByteArray("deflate") << W::zlibCompress(movie, 15) << movie;
        QTest::newRow("deflate (raw)")
            << QByteArray("deflate") << W::zlibCompress(movie, -15) << movie;
        QTest::newRow("br") << QByteArray("br") << W::brotliCompress(movie) << movie;
        QTest::newRow("gzip with trailing bytes") << QByteArray("gzip") << gz + "junk" << movie;
        QTest::newRow("gzip cut short")
            << QByteArray("gzip") << gz.left(gz.size() / 2) << QByteArray();
        QTest::newRow("not gzip at all")
            << QByteArray("gzip") << QByteArray("not gzip at all") << QByteArray();
        QTest::newRow("gzip damaged")
            << QByteArray("gzip") << patched(gz, 40, "\xff\xff\xff\xff") << QByteArray();
    }
    void decodes() {
        QFETCH(QByteArray, encoding);
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, movie);
        QTemporaryDir dir;
        const auto cache =
            cacheWith(dir, W::chromium(kChromiumKey, stored, okHead(stored.size(), encoding)));
        QVERIFY(cache && cache->IsInCache(QString::fromLatin1(kUrl)));
        const QString copy = cache->CacheFileName();
        if (movie.isEmpty()) {
            QVERIFY(copy.isEmpty());
            QVERIFY(!cache->error().isEmpty());
            return;
        }
        QVERIFY2(!copy.isEmpty(), qPrintable(cache->error()));
        QVERIFY(readFileBytes(copy) == movie);
        QVERIFY(!copy.startsWith(dir.path())); // never beside the browser's entries
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
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
        const QString sparse = dir.filePath("fffffffffffffff2_0");
        QVERIFY(writeFileBytes(sparse, W::le64(0xfcfb6d1ba7725c30ULL) + W::le32(5) +
                                           W::le32(kChromiumKey.size()) + W::le64(0) +
                                           kChromiumKey));
        QVERIFY(QFile::resize(sparse, qint64(3) << 30));
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
