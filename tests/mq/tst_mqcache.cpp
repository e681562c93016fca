// `mq cache` as a script sees it: the JSON line, the exit status, the file.
#include "browser/CacheEntryWriter.h"
#include "common/MqRunner.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QByteArray kUrl = "http://127.0.0.1:9/flash/intro.swf";
QByteArray entry(const QByteArray &body) {
    return CacheEntryWriter::chromium(
        "1/0/_dk_http://127.0.0.1 http://127.0.0.1 " + kUrl, body,
        "HTTP/1.1 200 OK\nContent-Length: " + QByteArray::number(body.size()) + "\n");
}
} // namespace

class TestMqCache : public QObject {
    Q_OBJECT
private slots:
    void hitWritesTheBody();
    void missExitsTwo();
    void searchesTheUsersProfiles();
};

void TestMqCache::hitWritesTheBody() {
    QTemporaryDir dir, out;
    const QString entryPath = dir.filePath("0000000000000abc_0");
    QVERIFY(writeFileBytes(entryPath, entry("FWS movie bytes")));
    QVERIFY(writeFileBytes(out.filePath("intro.swf"), "old content, longer than the movie"));
    const MqResult r = runMq({"cache", QString::fromLatin1(kUrl), "--cache-dir", out.path(),
                              "--cache-dir", dir.path(), "--out", out.filePath("intro.swf")});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, "{\"hit\":true,\"browser\":\"chromium\",\"entry\":\"" + entryPath.toUtf8() +
                        "\",\"length\":15}\n");
    QCOMPARE(readFileBytes(out.filePath("intro.swf")), QByteArray("FWS movie bytes"));
    QCOMPARE(readFileBytes(entryPath), entry("FWS movie bytes")); // the cache is left alone
}

void TestMqCache::missExitsTwo() {
    QTemporaryDir dir, out;
    QVERIFY(writeFileBytes(dir.filePath("0000000000000abc_0"), entry("x")));
    const MqResult r = runMq({"cache", "http://127.0.0.1:9/flash/other.swf", "--cache-dir",
                              dir.path(), "--out", out.filePath("o.swf")});
    QCOMPARE(r.status, 2);
    QCOMPARE(r.out, QByteArray("{\"hit\":false}\n"));
    QVERIFY(!QFileInfo::exists(out.filePath("o.swf")));
}

void TestMqCache::searchesTheUsersProfiles() {
    QTemporaryDir home;
    const QString folder = home.filePath(".cache/google-chrome/Profile 3/Cache/Cache_Data");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFileBytes(folder + "/00000000000000ff_0", entry("abc")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    const MqResult r = runMq({"cache", QString::fromLatin1(kUrl) + "#start"}, env);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith("{\"hit\":true,\"browser\":\"google-chrome\""), r.out.constData());
    QVERIFY(r.out.endsWith(",\"length\":3}\n"));
}

QTEST_GUILESS_MAIN(TestMqCache)
#include "tst_mqcache.moc"
