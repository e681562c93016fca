#include "SearchRig.h"
#include "common/JobFields.h"
#include "common/TestData.h"
#include "common/TestRows.h"

#include "search/SearchUrl.h"

#include <QDir>
#include <QTcpServer>
#include <QTimer>

namespace {
const QByteArray kObject =
    "<OBJECT classid=\"clsid:D27CDB6E\" codebase=\"http://download.macromedia.com/pub/x.cab\">"
    "<PARAM NAME=movie VALUE=\"intro.swf\"><EMBED src=\"intro.swf\" "
    "type=\"application/x-shockwave-flash\"></EMBED></OBJECT>";

} // namespace

class tst_DownHtml : public QObject {
    Q_OBJECT
private slots:
    void onePage_requestEventsRowLogAndJob() {
        SearchRig rig;
        const QByteArray body = "<html>" + kObject + "</html>";
        rig.page(QStringLiteral("/a/"), body);
        QCOMPARE(rig.add(rig.url("/a/")), 1);
        QVERIFY(rig.waitIdle());

        const QString hp = rig.hostPort();
        QCOMPARE(rig.server.requests.size(), 1);
        QCOMPARE(
            rig.server.requests[0],
            QByteArray("GET /a/ HTTP/1.1\r\nAccept: */*\r\nAccept-Encoding: gzip, deflate, br\r\n"
                       "User-Agent: MoorQuill1.0\r\nHost: ") +
                hp.toLatin1() + "\r\nConnection: close\r\n\r\n");
        QCOMPARE(rig.types(1), (QStringList{"Connecting", "Connected", "Request", "Response",
                                            "DataArrival", "Close", "Found Flash"}));
        QCOMPARE(rig.ended->size(), 1);
        QCOMPARE(rig.ended->at(0), (QVariantList{1, 8}));
        QCOMPARE(rig.core.SearchJobs[1].State, 8);

        const QString movie = rig.url("/a/intro.swf");
        const QString size = QString::number(body.size());
        QCOMPARE(rig.columns(1), (QStringList{"Anlyliz Complete", "[Index.htm]", size, size, "100%",
                                              "0", "0", "1", rig.url("/a/")}));
        QCOMPARE(rig.icon(1), QStringLiteral("Ok"));
        QCOMPARE(
            rig.logOf(1).join('|'),
            "Connecting:" + hp + "|Connected:" + hp +
                "|Send Request.|GET /a/ HTTP/1.1|"
                "Accept: */*|Accept-Encoding: gzip, deflate, br|User-Agent: MoorQuill1.0|Host: " +
                hp +
                "|Connection: close|Waiting For Server Response...|Reveive the "
                "Server Response..|HTTP/1.1 200 OK|Content-Length: " +
                size +
                "|Server: fault|Connection: close|Start Receiving Date...|Receive Data "
                "Complete .|Start Analysis..|Found Flash. Url=" +
                movie + "|Anlyliz Complete");

        // The object's movie became a job; the same movie in the EMBED is a duplicate.
        QCOMPARE(int(rig.core.DownJobs.DownCount()), 1);
        const DownJobRecord &job = rig.core.DownJobs[1];
        COMPARE_FIELDS(job, QString("{'Url': '%1', 'FileName': 'intro.swf', 'SavePath': '%2',"
                                    "'CategoryKey': 'Flash', 'State': 3, 'Parts': 3,"
                                    "'UserAgent': 'UA', 'Referer': '%3'}")
                                .arg(movie, rig.dir.path() + "/intro.swf", rig.url("/a/"))
                                .toUtf8());
        QVERIFY(rig.core.lvNowDown.rowOfKey(QStringLiteral("1NowDown")) >= 0);
    }

    void duplicates_recycleCountsDeletedForGoodDoesNot_freeRecordReused() {
        SearchRig rig;
        const QString base = rig.url("/p/");
        rig.addJob(base + "intro.swf", QStringLiteral("Recely"), StateComplete);
        rig.addJob(QStringLiteral("http://old/free.swf"), QStringLiteral("Flash"), StateFree);
        rig.addJob(base + "other.swf", QStringLiteral("Recely_Really"), StateComplete);
        rig.core.lvNowDown.addRow(QStringLiteral("2NowDown")); // the free record's old row
        rig.page(QStringLiteral("/p/"), kObject + embed("other.swf") + embed("new.swf"));
        rig.add(base);
        QVERIFY(rig.waitIdle());

        QCOMPARE(int(rig.core.DownJobs.DownCount()), 4);
        COMPARE_FIELDS(rig.core.DownJobs[2],
                       "{'State': 3, 'Url': '" + (base + "other.swf").toUtf8() + "'}");
        QCOMPARE(rig.core.DownJobs[4].Url, base + "new.swf");
        QCOMPARE(rig.core.DownJobs[3].CategoryKey, QStringLiteral("Recely_Really"));
        QCOMPARE(rig.columns(1).value(7), QStringLiteral("2"));
        QCOMPARE(rig.core.lvNowDown.row(rig.core.lvNowDown.rowOfKey("2NowDown")).subItems.value(5),
                 base + "other.swf");
    }

    void notFound_errorNoJobs() {
        SearchRig rig;
        rig.add(rig.url("/missing.htm"));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.types(1),
                 (QStringList{"Connecting", "Connected", "Request", "Response", "RequestError"}));
        QCOMPARE(rig.reports.last().info, QStringLiteral("404"));
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchError));
        QCOMPARE(rig.icon(1), QStringLiteral("Error"));
        QCOMPARE(rig.columns(1).value(0), QStringLiteral("Anlyliz Complete"));
        QVERIFY(rig.logOf(1).contains(QStringLiteral("Receive Data Error .")));
        QCOMPARE(int(rig.core.DownJobs.DownCount()), 0);
        QCOMPARE(rig.ended->at(0), (QVariantList{1, 5}));
    }

    void noContentLength_sizeZeroPercentStays() {
        SearchRig rig;
        FaultHttpServer::Resource &r = rig.page("/n.htm", QByteArray(5000, 'x') + embed("m.swf"));
        r.contentLength = false;
        r.chunk = 1000;
        r.intervalMs = 5;
        rig.add(rig.url("/n.htm"));
        QVERIFY(rig.waitIdle());
        QVERIFY(rig.types(1).contains(QStringLiteral("DataArrival")));
        QCOMPARE(rig.columns(1).mid(1, 4),
                 QStringList({"n.htm", "0", QString::number(r.body.size()), "0%"}));
        QCOMPARE(rig.core.DownJobs[1].Url, rig.url("/m.swf"));
    }

    void depth_data() {
        QTest::addColumn<int>("depth");
        for (int depth : {0, 1})
            QTest::addRow("depth %d", depth) << depth;
    }

    void depth() {
        QFETCH(int, depth);
        SearchRig rig;
        rig.page(QStringLiteral("/d/"),
                 "<a href=\"x.htm\">x</a> <A HREF=/y.htm>y</A> <a href='m.swf'>m</a> <a name=top>");
        rig.page(QStringLiteral("/d/x.htm"), embed("fromx.swf"));
        rig.add(rig.url("/d/"), depth);
        QVERIFY(rig.waitIdle());
        const QString base = rig.url("/d/");
        if (depth == 0) {
            QVERIFY(!rig.types(1).contains(QStringLiteral("Found A Link")));
            QCOMPARE(int(rig.core.SearchJobs.SearchCount()), 1);
            QCOMPARE(int(rig.core.DownJobs.DownCount()), 0);
            return;
        }
        QStringList links;
        for (const auto &r : rig.reports)
            if (r.type == QLatin1String("Found A Link")) links << r.info;
        QCOMPARE(links, (QStringList{base + "x.htm", rig.url("/y.htm"), base + "m.swf", base}));
        QCOMPARE(rig.columns(1).mid(5, 2), (QStringList{"4", "4"}));
        // Children: x.htm, /y.htm (404) and the page's directory, one level shallower,
        // run one after another.
        QCOMPARE(int(rig.core.SearchJobs.SearchCount()), 4);
        QCOMPARE(rig.core.lists.lvDownHtml.count(), 4);
        for (int i = 2; i <= 4; ++i)
            QCOMPARE(int(rig.core.SearchJobs[i].Depth), 0);
        QList<int> order;
        for (const QVariantList &e : *rig.ended)
            order << e.value(0).toInt();
        QCOMPARE(order, (QList<int>{1, 2, 3, 4}));
        QCOMPARE(rig.core.SearchJobs[3].State, int(SearchError));
        QCOMPARE(rig.core.SearchJobs[4].State, int(SearchAnalysed));
        // The .swf anchor: a waiting job of 5 parts in the fixed folder.
        COMPARE_FIELDS(rig.core.DownJobs[1],
                       QString("{'Url': '%1', 'Parts': 5, 'SavePath': '%2', 'State': 3}")
                           .arg(base + "m.swf", QDir::homePath() + "/mydown/m.swf")
                           .toUtf8());
        // The child found its own movie.
        QCOMPARE(rig.core.DownJobs[2].Url, base + "fromx.swf");
    }

    void manual_waitsForStart() {
        SearchRig rig;
        rig.page(QStringLiteral("/m.htm"), embed("a.swf"));
        rig.add(rig.url("/m.htm"), 0, true);
        QCOMPARE(rig.icon(1), QStringLiteral("Pause"));
        QCOMPARE(rig.columns(1).mid(0, 5),
                 (QStringList{"Waiting Search", "m.htm", "??", "0", "0%"}));
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchPaused));
        QVERIFY(!rig.slot->Busy());
        // A search added later runs while the manual one still waits.
        rig.page("/n.htm", embed("b.swf"));
        rig.add(rig.url("/n.htm"));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.server.requests.size(), 1);
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchPaused));
        rig.slot->StartSearchJob(1);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchAnalysed));
        // Movies of a "Manual" search are created paused.
        QCOMPARE(rig.core.DownJobs[2].State, int(StatePaused));
    }

    void secondSearch_waitsForTheFirst() {
        SearchRig rig;
        FaultHttpServer::Resource &slow =
            rig.page(QStringLiteral("/1.htm"), QByteArray(4000, ' ') + embed("a.swf"));
        slow.chunk = 500;
        slow.intervalMs = 20;
        rig.page(QStringLiteral("/2.htm"), embed("b.swf"));
        rig.add(rig.url("/1.htm"));
        rig.add(rig.url("/2.htm"));
        QCOMPARE(rig.icon(2), QStringLiteral("Waitfor"));
        QCOMPARE(rig.columns(2).value(0), QStringLiteral("Waiting Search"));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.ended->size(), 2);
        QCOMPARE(rig.ended->at(1).value(0).toInt(), 2); // the second one last
    }

    void pauseWithNothingRunning_startsFirstWaiting() {
        SearchRig rig;
        rig.page(QStringLiteral("/w.htm"), embed("a.swf"));
        rig.add(rig.url("/w.htm"), 0, true);
        rig.add(rig.url("/w.htm"), 0, true);
        rig.core.SearchJobs[2].State = SearchWaiting; // as a start command left it
        const QStringList before = rig.columns(1);
        rig.slot->PauseSearchJob();
        QCOMPARE(rig.columns(1), before);
        QCOMPARE(rig.icon(1), QStringLiteral("Pause"));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchPaused));
        QCOMPARE(rig.core.SearchJobs[2].State, int(SearchAnalysed));
    }

    void interruptDuringFetch_freesTheSlot_data() {
        QTest::addColumn<bool>("remove");
        QTest::newRow("pause") << false;
        QTest::newRow("delete") << true;
    }

    void interruptDuringFetch_freesTheSlot() {
        QFETCH(bool, remove);
        SearchRig rig;
        rig.page(QStringLiteral("/s.htm"), "never").stall = true;
        rig.page(QStringLiteral("/ok.htm"), embed("a.swf"));
        rig.add(rig.url("/s.htm"));
        rig.add(rig.url("/ok.htm"));
        QTRY_VERIFY(rig.types(1).contains(QStringLiteral("Response")));
        const int state = remove ? SearchFree : SearchPaused;
        remove ? rig.slot->DeleteSearchJobs({1}) : rig.slot->PauseSearchJob();
        QCOMPARE(rig.core.SearchJobs[1].State, state);
        QCOMPARE(rig.icon(1), remove ? QString() : QStringLiteral("Pause")); // no row when deleted
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.core.SearchJobs[2].State, int(SearchAnalysed));
        QCOMPARE(rig.core.SearchJobs[1].State, state);
        if (remove) return;
        // Start all runs the paused one again.
        rig.slot->StartAllSearchJobs();
        QVERIFY(rig.slot->Busy());
        rig.slot->PauseAllSearchJobs();
        QVERIFY(!rig.slot->Busy());
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchPaused));
    }

    void failures_markErrorAndFreeTheSlot_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("logStart");
        row("not http", "ftp://h/x.htm", "The URL does not begin with http://");
        row("bad port", "http://127.0.0.1:99999/", "The URL names no usable port");
        row("connection refused", "closed", "Connection error ");
    }

    void failures_markErrorAndFreeTheSlot() {
        QFETCH(QString, url);
        QFETCH(QString, logStart);
        SearchRig rig;
        if (url == QLatin1String("closed")) {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            url = QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
        }
        rig.page(QStringLiteral("/next.htm"), embed("a.swf"));
        rig.add(url);
        rig.add(rig.url("/next.htm"));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchError));
        QCOMPARE(rig.icon(1), QStringLiteral("Error"));
        QCOMPARE(rig.columns(1).value(0), QStringLiteral("Error"));
        QVERIFY2(rig.logOf(1).last().startsWith(logStart), qPrintable(rig.logOf(1).join('|')));
        QCOMPARE(rig.core.SearchJobs[2].State, int(SearchAnalysed));
    }

    void endlessBody_isCutAndAnalysed() {
        SearchRig rig;
        FaultHttpServer::Resource &r =
            rig.page("/e.htm", embed("big.swf") + QByteArray(1 << 20, 'x'));
        r.endless = true;
        r.contentLength = false;
        rig.add(rig.url("/e.htm"));
        QVERIFY(rig.waitIdle(60000));
        QCOMPARE(rig.core.SearchJobs[1].Received, qint32(clsDownHtml::kMaxPage));
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchAnalysed));
        QVERIFY(rig.logOf(1).contains(
            QStringLiteral("The page is longer than 67108864 bytes; only that much is analysed.")));
        QCOMPARE(int(rig.core.DownJobs.DownCount()), 1); // 64 copies, one job
    }

    void pauseDuringAnalysis_keepsWhatWasRecorded() {
        AppCore core;
        clsDownHtml search(core.search());
        SearchJobRecord rec;
        rec.Url = QStringLiteral("http://h/a/");
        rec.JobTemplate.State = StateWaiting;
        QVERIFY(SearchUrl::ParseSearchUrl(rec));
        QByteArray page;
        for (int i = 0; i < 20000; ++i)
            page += embed("m" + QByteArray::number(i) + ".swf");
        search.SetPage(rec, page);
        QSignalSpy complete(&search, &clsDownHtml::FenXiComplete);
        QTimer::singleShot(0, &search, [&search] { search.Pause(); });
        search.Fenxi();
        QCOMPARE(complete.size(), 0);
        const int made = core.DownJobs.DownCount();
        QVERIFY2(made > 0 && made < 20000, qPrintable(QString::number(made)));
        QCOMPARE(core.DownJobs[made].Url, QStringLiteral("http://h/a/m%1.swf").arg(made - 1));
    }

    void proxy_sendsTheAbsoluteTarget() {
        SearchRig rig;
        rig.page(QStringLiteral("/p/"), embed("m.swf"));
        rig.add(QStringLiteral("http://pages.invalid:81/p/"), 0, false, rig.server.port());
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.reports.first().info, QStringLiteral("127.0.0.1:%1").arg(rig.server.port()));
        QCOMPARE(rig.server.requests.value(0),
                 QByteArray("GET http://pages.invalid:81/p/ HTTP/1.1\r\nAccept: */*\r\n"
                            "Accept-Encoding: gzip, deflate, br\r\nUser-Agent: MoorQuill1.0\r\n"
                            "Host: pages.invalid:81\r\nConnection: close\r\n\r\n"));
        // Addresses resolve against the page's host, port included.
        COMPARE_FIELDS(rig.core.DownJobs[1],
                       "{'Url': 'http://pages.invalid:81/p/m.swf', 'UseProxy': -1, "
                       "'ProxyHost': '127.0.0.1', 'ProxyPort': " +
                           QByteArray::number(rig.server.port()) + "}");
    }
};

QTEST_MAIN(tst_DownHtml)
#include "tst_downhtml.moc"
