// The download list file: export bytes and what an import reads.
#include "common/TestData.h"
#include "common/TestFiles.h"
#include "dialogs/DownloadList.h"
#include "jobs/JobTable.h"

#include <QTemporaryDir>
#include <QtTest>

class TestDownloadList : public QObject {
    Q_OBJECT
private slots:
    void export_ownJobsInTableOrder() {
        JobTable jobs;
        jobs.add(testJob("101k", 0, "http://h/c.swf"));
        jobs.add(testJob("101k101k", 0, "http://h/sub.swf")); // a sub-category
        jobs.add(testJob("101k", 0, "http://h/a b.swf"));
        jobs.add(testJob("102k", 0, "http://h/other.swf"));
        jobs.add(
            testJob("101k", 0,
                    QString::fromUtf8("http://h/\xC3\xA9t\xC3\xA9-\xE2\x82\xAC-\xE4\xB8\xAD.swf")));
        QCOMPARE(
            DownloadList::exportBytes(jobs, "101k"),
            QByteArray("http://h/c.swf\r\nhttp://h/a b.swf\r\nhttp://h/\xE9t\xE9-\x80-?.swf\r\n"));
        // Jobs that sit only in sub-categories give an empty list.
        JobTable sub;
        sub.add(testJob("101k101k", 0, "http://h/x.swf"));
        QCOMPARE(DownloadList::exportBytes(sub, "101k"), QByteArray());
    }

    void export_replacesFileAndReportsFailure() {
        QTemporaryDir dir;
        JobTable jobs;
        jobs.add(testJob("k", 0, "http://h/1"));
        const QString path = dir.filePath("list.lst");
        QVERIFY(writeFileBytes(path, QByteArray(1000, 'x')));
        QString error;
        QVERIFY(DownloadList::exportToFile(jobs, "k", path, &error));
        QCOMPARE(readFileBytes(path), QByteArray("http://h/1\r\n"));
        const QString bad = dir.filePath("missing/folder/list.lst");
        QVERIFY(!DownloadList::exportToFile(jobs, "k", bad, &error));
        QVERIFY2(error.contains(bad), qPrintable(error));
    }

    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<int>("skipped");
        const auto row = [](const char *tag, const QByteArray &bytes, const QStringList &urls,
                            int skipped) { QTest::newRow(tag) << bytes << urls << skipped; };
        row("CR LF", "http://a/1\r\nhttp://a/2\r\n", {"http://a/1", "http://a/2"}, 0);
        row("CR only, no end", "http://a/1\rhttps://a/2", {"http://a/1", "https://a/2"}, 0);
        row("blank and other lines counted",
            "\r\n  http://a/1  \n\nftp://a/x\nhello\nHTTP://A/3\nhttp://\n",
            {"http://a/1", "HTTP://A/3"}, 5);
        row("UTF-8 with BOM", "\xEF\xBB\xBFhttp://a/\xC3\xA9\r\n",
            {QString::fromUtf8("http://a/\xC3\xA9")}, 0);
        row("UTF-8 without BOM", "http://a/\xE2\x82\xAC\n",
            {QString::fromUtf8("http://a/\xE2\x82\xAC")}, 0);
        row("Windows-1252", "http://a/\xE9\x80\r\n",
            {QString::fromUtf8("http://a/\xC3\xA9\xE2\x82\xAC")}, 0);
        row("empty file", {}, {}, 0);
        row("binary junk", QByteArray("\x00\x01\xFF\xFEhttp", 8), {}, 1);
    }

    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, urls);
        QFETCH(int, skipped);
        const DownloadList::ReadResult r = DownloadList::parse(bytes);
        QCOMPARE(r.urls, urls);
        QCOMPARE(r.skipped, skipped);
    }
};

QTEST_GUILESS_MAIN(TestDownloadList)
#include "tst_downloadlist.moc"
