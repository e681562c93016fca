#include "common/TestData.h"
#include "search/PageCorpus.h"

#include "common/FaultHttpServer.h"
#include "common/MqRunner.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// `mq search` run as a separate program against the page server.
class tst_MqSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(MqRunner::binary()).isExecutable(), qPrintable(MqRunner::binary()));
        FaultHttpServer::Resource r;
        r.body = embed("a.swf") + "<a href=\"sub/b.htm\">b</a>";
        m_server.setResource(QStringLiteral("/site/"), r);
        r.body = embed("../a.swf") + embed("/c.swf");
        m_server.setResource(QStringLiteral("/site/sub/b.htm"), r);
        r.body = FaultHttpServer::pattern(3000);
        m_server.setResource(QStringLiteral("/c.swf"), r);
        m_server.setResource(QStringLiteral("/site/a.swf"), r);
        for (const QString &page : PageCorpus::pages()) {
            FaultHttpServer::Resource p;
            p.body = PageCorpus::bytes(page);
            m_server.setResource("/corpus/" + page, p);
        }
    }

    // The page corpus through `mq search`: the movies of each page and of
    // the pages its frames show, as jobs named as expected.
    void corpus_data() {
        QTest::addColumn<QString>("page");
        for (const QString &page : PageCorpus::pages())
            QTest::newRow(qPrintable(page)) << page;
    }

    void corpus() {
        QFETCH(QString, page);
        QTemporaryDir dir;
        const QString site = m_server.url("/corpus/");
        const QStringList expected = PageCorpus::searchLines(page, site, dir.path());
        MqRunner mq;
        QCOMPARE(mq.run({"search", site + page, "--dir", dir.path()}), 0);
        QCOMPARE(QString::fromUtf8(mq.out()).split('\n', Qt::SkipEmptyParts), expected);
    }

    // Non-ASCII names are requested percent-encoded as UTF-8 and saved as
    // written on the page; the page is each job's referrer.
    void nonAsciiNames_requestedEncodedSavedDecoded() {
        QTemporaryDir dir;
        for (const char *path : {"/corpus/K%C3%A4se.swf", "/corpus/Gr%C3%BCn.swf",
                                 "/corpus/%E2%80%9Cquoted%E2%80%9D.swf"})
            m_server.serve(QString::fromLatin1(path), 700);
        const QString db = dir.filePath("default.mqb");
        MqRunner mq;
        QCOMPARE(mq.run({"search", m_server.url("/corpus/cp1252.html"), "--dir", dir.path(), "--db",
                         db, "--download"}),
                 0);
        for (const char *name : {"Käse.swf", "Grün.swf", "“quoted”.swf"})
            QCOMPARE(QFileInfo(dir.filePath(QString::fromUtf8(name))).size(), 700);
        const MqResult dump = runMq({"db", "dump", db});
        QVERIFY(dump.out.contains(m_server.url("/corpus/cp1252.html").toLatin1()));
    }

    void listsTheJobsOfEverySearch() {
        QTemporaryDir dir;
        MqRunner mq;
        QCOMPARE(mq.run({"search", m_server.url("/site/"), "--depth", "1", "--dir", dir.path()}),
                 0);
        const QString base = m_server.url("/");
        const QString folder = dir.path() + '/';
        // a.swf once (the child's "../a.swf" is the same address), then the child's movie.
        QCOMPARE(QString::fromUtf8(mq.out()).split('\n', Qt::SkipEmptyParts),
                 (QStringList{base + "site/a.swf\t" + folder + "a.swf",
                              base + "c.swf\t" + folder + "c.swf"}));
    }

    void eventsAsJsonLines() {
        QTemporaryDir dir;
        MqRunner mq;
        QCOMPARE(mq.run({"search", m_server.url("/site/"), "--events", "--dir", dir.path()}), 0);
        QList<QJsonObject> lines;
        for (const QByteArray &line : mq.out().split('\n'))
            if (!line.isEmpty()) lines << QJsonDocument::fromJson(line).object();
        QVERIFY(lines.size() >= 7);
        QCOMPARE(lines.first().value("type").toString(), QStringLiteral("Connecting"));
        QCOMPARE(lines.first().value("search").toInt(), 1);
        QStringList types;
        for (const QJsonObject &o : lines)
            types << o.value("type").toString();
        QVERIFY(types.contains("Found Flash"));
        QCOMPARE(lines[types.indexOf("Found Flash")].value("info").toString(),
                 "Url=" + m_server.url("/site/a.swf"));
        QCOMPARE(lines.last(),
                 (QJsonObject{{"search", 1}, {"type", "FenXiComplete"}, {"state", 8}}));
    }

    void firstSearchFailing_exitsWith2() {
        QTemporaryDir dir;
        MqRunner mq;
        QCOMPARE(mq.run({"search", m_server.url("/nothing/"), "--dir", dir.path()}), 2);
        QVERIFY(mq.out().isEmpty());
    }

    void dbAndDownload_writeJobsAndFiles() {
        QTemporaryDir dir;
        const QString db = dir.filePath("default.mqb");
        MqRunner mq;
        QCOMPARE(mq.run({"search", m_server.url("/site/sub/b.htm"), "--db", db, "--dir", dir.path(),
                         "--download"}),
                 0);
        QCOMPARE(QFileInfo(dir.filePath("c.swf")).size(), 3000);
        QCOMPARE(QFileInfo(dir.filePath("a.swf")).size(), 3000);
        // The database holds both jobs, complete.
        const MqResult dump = runMq({"db", "dump", db});
        QCOMPARE(dump.status, 0);
        const QByteArray text = dump.out;
        QVERIFY2(text.contains(m_server.url("/c.swf").toLatin1()), text.constData());
        QVERIFY(text.contains(m_server.url("/site/a.swf").toLatin1()));
    }

private:
    FaultHttpServer m_server;
};

QTEST_MAIN(tst_MqSearch)
#include "tst_mqsearch.moc"
