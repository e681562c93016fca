#include "common/FaultHttpServer.h"
#include "common/JobFields.h"
#include "common/TestFiles.h"
#include "common/TestRows.h"
#include "engine/EngineRig.h"
#include "engine/FilePreallocator.h"
#include "engine/RangeBook.h"
#include "engine/SocketGraveyard.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using Resource = FaultHttpServer::Resource;
Q_DECLARE_METATYPE(Resource)

class TestDownloadJob : public QObject {
    Q_OBJECT
private slots:
    void splitRanges_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("parts");
        QTest::addColumn<int>("part1Pos"); // what part 1 received before the split stays its own
        QTest::addColumn<QList<int>>("starts");
        QTest::addColumn<QList<int>>("ends");
        QTest::newRow("1,000,000 in 4")
            << 1000000 << 4 << 0 << QList<int>{0, 250000, 500000, 750000}
            << QList<int>{1000000, 500000, 750000, 1000000};
        QTest::newRow("1,000,001 in 3") << 1000001 << 3 << 0 << QList<int>{0, 333333, 666666}
                                        << QList<int>{1000001, 666666, 1000001};
        QTest::newRow("2 parts") << 100001 << 2 << 0 << QList<int>{0, 50000}
                                 << QList<int>{100001, 100001};
        QTest::newRow("after part 1's first block")
            << 72704 << 4 << 16384 << QList<int>{0, 30464, 44544, 58624}
            << QList<int>{72704, 44544, 58624, 72704};
    }

    void splitRanges() {
        QFETCH(int, size);
        QFETCH(int, parts);
        QFETCH(QList<int>, starts);
        QFETCH(QList<int>, ends);
        DownJobRecord r;
        r.Parts = qint16(parts);
        r.TotalSize = size;
        QFETCH(int, part1Pos);
        r.part(1).Pos = part1Pos;
        RangeBook::SplitRanges(r, size);
        for (int k = 1; k <= parts; ++k) {
            QCOMPARE(r.part(k).StartPos, starts[k - 1]);
            QCOMPARE(r.part(k).EndPos, ends[k - 1]);
            QCOMPARE(r.part(k).Pos, k == 1 ? part1Pos : starts[k - 1]);
        }
        QCOMPARE(r.part(parts + 1).StartPos, 0);
        QCOMPARE(RangeBook::Part1EndAfterRangeTest(r), starts.value(1, size));
        // A part 2 cancelled in an earlier run: part 1 keeps its range up to part 3.
        if (parts >= 3) {
            r.part(2) = PartRange{};
            QCOMPARE(RangeBook::Part1EndAfterRangeTest(r), starts[2]);
        }
    }

    void percentText_data() {
        QTest::addColumn<int>("received");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("12.5 to even") << 125 << 1000 << "12%";
        QTest::newRow("13.5 to even") << 135 << 1000 << "14%";
        QTest::newRow("above half") << 126 << 1000 << "13%";
        QTest::newRow("all") << 5000 << 5000 << "100%";
        QTest::newRow("large") << 2000000000 << 2147483647 << "93%";
    }

    void percentText() {
        QFETCH(int, received);
        QFETCH(int, total);
        QTEST(DownloadEvents::PercentText(received, total), "text");
    }

    void download_data() {
        QTest::addColumn<Resource>("resource");
        QTest::addColumn<int>("parts");
        QTest::addColumn<int>("requests"); // expected request count, -1: any
        Resource r;
        r.body = FaultHttpServer::pattern(40000);
        QTest::newRow("40,000 bytes, 5 parts: part 1 alone") << r << 5 << 1;
        r.body = FaultHttpServer::pattern(1000000);
        r.chunk = 16384;
        QTest::newRow("1,000,000 bytes, 4 parts") << r << 4 << 4;
        QTest::newRow("10 parts") << r << 10 << -1;
        Resource noRanges = r;
        noRanges.ranges = false;
        QTest::newRow("200 to a range request") << noRanges << 4 << 2;
        Resource noLength;
        noLength.body = FaultHttpServer::pattern(300000);
        noLength.contentLength = false;
        noLength.chunk = 30000;
        QTest::newRow("no Content-Length") << noLength << 5 << 1;
        Resource split = r;
        split.headerPieces = 3;
        QTest::newRow("header split across segments") << split << 3 << -1;
        Resource drop = r;
        drop.dropAfter = 100000;
        drop.dropTimes = 2;
        QTest::newRow("connections drop mid-part") << drop << 3 << -1;
        Resource late = r;
        late.rangeFailFrom = 400000; // parts 3 and 4 of 5 get "200"
        QTest::newRow("parts 3+ answer 200") << late << 5 << -1;
        Resource slow;
        slow.body = FaultHttpServer::pattern(200000);
        slow.chunk = 8000;
        slow.intervalMs = 2;
        QTest::newRow("slow server") << slow << 3 << -1;
    }

    void download() {
        QFETCH(Resource, resource);
        QFETCH(int, parts);
        QFETCH(int, requests);
        EngineRig rig;
        rig.server.setResource("/d/f.swf", resource);
        const int index = rig.addJob(rig.url("/d/f.swf"), parts);
        rig.job(index).Cookies =
            QStringLiteral("sid=42; theme=dark"); // the browser's, on every request
        rig.start(index);
        QVERIFY(rig.waitFinished());
        QCOMPARE(rig.finished->at(0).at(1).toInt(), int(StateComplete));
        const DownJobRecord &rec = rig.job(index);
        COMPARE_FIELDS(rec, QString("{'State': 4, 'TotalSize': %1, 'Received': %1, 'FileOpen': 0}")
                                .arg(resource.body.size())
                                .toUtf8());
        QCOMPARE(EngineRig::sha(EngineRig::fileBytes(rec.SavePath)), EngineRig::sha(resource.body));
        QCOMPARE(rig.core.lvNowDown.rowOfKey(DownloadEvents::RowKey(index)), -1);
        if (requests >= 0) QCOMPARE(rig.server.requests.size(), requests);
        // Without ranges the range test fails and the other parts are cancelled.
        if (!resource.ranges) QVERIFY(rig.count("ReSumeTestError") > 0 && rig.count("Cancel") > 0);
        QVERIFY(!rig.events->clsDownJob(1)->Busy);
        QCOMPARE(rig.events->clsDownJob(1)->OpenConnections(), 0);
        // No range request ever asks beyond the file; each carries the cookies.
        for (const QByteArray &req : rig.server.requests) {
            QVERIFY(!req.contains("Range: bytes=" + QByteArray::number(resource.body.size())));
            QVERIFY2(req.contains("\r\nUser-Agent: MQTest\r\nCookie: sid=42; theme=dark\r\n"),
                     req.constData());
        }
    }

    void proxyMode() {
        EngineRig rig;
        FaultHttpServer &proxy = rig.server;
        const Resource r = proxy.serve("/a.swf", 70000);
        const int index = rig.addJob(QStringLiteral("http://movies.invalid:8080/a.swf"), 2);
        rig.useProxy(index, proxy.port());
        rig.start(index);
        QVERIFY(rig.waitFinished());
        VERIFY_COMPLETE(rig, index, r.body);
        QVERIFY(!proxy.requests.isEmpty());
        QVERIFY(proxy.requests[0].startsWith("GET http://movies.invalid:8080/a.swf HTTP/1.1\r\n"));
        QVERIFY(proxy.requests[0].contains("\r\nHost: movies.invalid:8080\r\n"));
        QCOMPARE(rig.reports.first().text, QStringLiteral("127.0.0.1:%1").arg(proxy.port()));
    }

    // One part, its reports and its log; also when the handler of the
    // "Request" report lets events run until the whole answer and the
    // server's close have arrived before the job reads.
    void singlePartReportsAndLog_data() {
        QTest::addColumn<bool>("closedFirst");
        row("read as it arrives", false);
        row("answer and close arrive during the Request report", true);
    }
    void singlePartReportsAndLog() {
        QFETCH(bool, closedFirst);
        EngineRig rig;
        FaultHttpServer &server = rig.server;
        const Resource r = server.serve("/x.swf", 5000);
        if (closedFirst)
            QObject::connect(rig.events->clsDownJob(1), &clsDownLoadJob::UpDataState, &server,
                             [&](qint16, JobReport type, const QString &) {
                                 if (type != JobReport::Request) return;
                                 // The close reaches the job's socket before it reads.
                                 const auto closedHere = [&] {
                                     const auto socks =
                                         rig.events->clsDownJob(1)->findChildren<QTcpSocket *>();
                                     return socks.size() == 1 &&
                                            socks[0]->state() == QAbstractSocket::UnconnectedState;
                                 };
                                 if (!QTest::qWaitFor(closedHere, 5000))
                                     qWarning("the close did not arrive");
                             });
        const int index = rig.run(server.url("/x.swf"), 1);

        const QByteArray expected =
            "GET /x.swf HTTP/1.1\r\nAccept: */*\r\nUser-Agent: MQTest\r\nHost: 127.0.0.1:" +
            QByteArray::number(server.port()) + "\r\nConnection: close\r\n\r\n";
        QCOMPARE(server.requests, QList<QByteArray>{expected});
        QCOMPARE(rig.types(),
                 (QStringList{"Connecting", "Connected", "Request", "Response", "Close"}));
        const QString endpoint = QStringLiteral("127.0.0.1:%1").arg(server.port());
        QCOMPARE(rig.reports[0].text, endpoint);
        QCOMPARE(rig.reports[1].text, endpoint + QStringLiteral("(IP:127.0.0.1)"));
        QCOMPARE(rig.reports.last().text, QStringLiteral("ByServer"));
        qint64 bytes = 0;
        for (const auto &rep : rig.reports)
            if (rep.type == QLatin1String("DataArrival")) bytes += rep.text.toLongLong();
        QCOMPARE(bytes, 5000);

        const QStringList log = rig.logTexts();
        QCOMPARE(log.mid(0, 11),
                 (QStringList{"Connecting:" + endpoint, "Connected:" + endpoint + "(IP:127.0.0.1)",
                              "Send Request.", "GET /x.swf HTTP/1.1", "Accept: */*",
                              "User-Agent: MQTest", "Host: " + endpoint, "Connection: close",
                              "Waiting For Server Response...", "Reveive the Server Response..",
                              "HTTP/1.1 200 OK"}));
        QVERIFY(log.contains(QStringLiteral("Start Receiving Date...")));
        QCOMPARE(log.mid(log.size() - 2), (QStringList{"This Part Receiving Data Complete.",
                                                       "The Connection Close by Server."}));
        VERIFY_COMPLETE(rig, index, r.body);
        QVERIFY(rig.job(index).CompleteTime > 0);
    }

    void redirects_data() {
        QTest::addColumn<QStringList>("hops"); // "path Location" of each; 302, 301 in turn
        QTest::addColumn<QString>("file");     // the path serving the file; none: an error
        QTest::addColumn<QString>("lastLog");
        row("302 then 301", QStringList{"/a /b", "/b http://127.0.0.1:PORT/c"}, "/c", "");
        row("relative Location", QStringList{"/d/a b", "/d/b ../c"}, "/d/../c", "");
        row("loop", QStringList{"/l1 /l2", "/l2 /l1"}, "", "Too many redirects");
        row("unusable Location", QStringList{"/u ftp://x/y"}, "", "Cannot follow the redirect");
    }

    void redirects() {
        QFETCH(QStringList, hops);
        QFETCH(QString, file);
        QFETCH(QString, lastLog);
        EngineRig rig;
        FaultHttpServer &server = rig.server;
        const QByteArray body = FaultHttpServer::pattern(3000);
        for (int i = 0; i < hops.size(); ++i) {
            Resource hop;
            hop.status = i % 2 ? "HTTP/1.0 301 Moved" : "HTTP/1.1 302 Found";
            hop.location =
                hops[i].section(' ', 1).replace("PORT", QString::number(server.port())).toLatin1();
            server.setResource(hops[i].section(' ', 0, 0), hop);
        }
        if (!file.isEmpty()) server.resource(file).body = body;
        const int state = file.isEmpty() ? StateError : StateComplete;
        // Part 1's log is rebuilt after every line of it, the last one included.
        int linesShown = 0;
        QObject::connect(rig.events.get(), &DownloadEvents::LogListRebuild, &server,
                         [&](int, int part) {
                             QCOMPARE(part, 1);
                             linesShown = rig.log.JobLogCount();
                         });
        const int index = rig.run(server.url(hops[0].section(' ', 0, 0)), 1);
        QCOMPARE(index, 1);
        QCOMPARE(rig.job(index).State, qint32(state));
        QCOMPARE(rig.finished->at(0).at(1).toInt(), state);
        if (state == StateComplete) {
            QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), body);
            QVERIFY(rig.count(QStringLiteral("Redirect")) >= 2);
            QVERIFY(rig.logTexts().contains("Redirect link to other site:" + rig.job(index).Url));
        } else {
            QCOMPARE(linesShown, rig.log.JobLogCount());
            QVERIFY2(rig.logTexts().last().startsWith(lastLog), qPrintable(rig.logTexts().last()));
            QCOMPARE(rig.core.lvNowDown.row(0).iconKey, QStringLiteral("Error"));
        }
        QVERIFY(!rig.events->clsDownJob(1)->Busy);
    }

    void jobErrors_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("logStart");
        row("URL cannot be split", "url", "The URL cannot be used");
        row("folder cannot be made", "folder", "Cannot create the folder");
        row("size beyond 32 bits", "size", "The file is too large: 3000000000 bytes");
        row("connection refused", "refused", "The server stopped delivering");
    }

    void jobErrors() {
        QFETCH(QString, what);
        QFETCH(QString, logStart);
        EngineRig rig;
        Resource &r = rig.server.resource("/f.swf");
        r.body = "abc";
        if (what == QLatin1String("size")) {
            r.contentLength = false;
            r.status = "HTTP/1.1 200 OK\r\nContent-Length: 3000000000";
        }
        QString url = rig.url("/f.swf");
        if (what == QLatin1String("url")) url = QStringLiteral("ftp://host/f.swf");
        if (what == QLatin1String("refused")) {
            QTcpServer closed;
            closed.listen(QHostAddress::LocalHost);
            url = QStringLiteral("http://127.0.0.1:%1/f.swf").arg(closed.serverPort());
        }
        const int index = rig.addJob(url, 2);
        if (what == QLatin1String("folder")) {
            QVERIFY(writeFileBytes(rig.dir.filePath(QStringLiteral("file")), {}));
            rig.job(index).SavePath = rig.dir.filePath(QStringLiteral("file/sub/f.swf"));
        }
        // A second job waits and starts when the first one fails.
        rig.core.settings.Maxjobs = 1;
        const int next = rig.addJob(rig.url("/f.swf"), 1, QStringLiteral("g.swf"));
        rig.start(index);
        QVERIFY(rig.waitFinished(2));
        QCOMPARE(rig.job(index).State, qint32(StateError));
        QCOMPARE(rig.finished->at(0).at(1).toInt(), int(StateError));
        const QStringList matching = rig.logTexts().filter(logStart);
        QVERIFY2(!matching.isEmpty() && matching[0].startsWith(logStart),
                 qPrintable(rig.logTexts().join('|')));
        QCOMPARE(rig.job(next).State,
                 what == QLatin1String("size") ? qint32(StateError) : qint32(StateComplete));
    }

    // The file's name is taken: the part file and the final name move aside
    // (Auto Rename) or, set to overwrite, the download still never replaces it.
    void nameTaken_data() {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("saved");
        row("auto rename", QStringList{"x.swf!mq", "x0.swf!mq"}, false, "x01.swf");
        row("overwrite keeps a finished file", QStringList{"x.swf"}, true, "x.swf!mq");
    }
    void nameTaken() {
        QFETCH(QStringList, existing);
        QFETCH(bool, overwrite);
        QFETCH(QString, saved);
        EngineRig rig;
        const Resource r = rig.server.serve("/x.swf", 1000);
        rig.core.settings.UseMQ = 1;
        rig.core.settings.PopMessage = 1;
        rig.core.settings.Fileexits = overwrite;
        QSignalSpy messages(rig.events.get(), &DownloadEvents::JobMessage);
        for (const QString &name : existing)
            QVERIFY(writeFileBytes(rig.dir.filePath(name), "keep me"));
        const int index = rig.run(rig.url("/x.swf"), 1, QStringLiteral("x.swf"));
        QCOMPARE(rig.job(index).SavePath, rig.dir.filePath(saved));
        QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
        for (const QString &name : existing)
            QCOMPARE(EngineRig::fileBytes(rig.dir.filePath(name)), QByteArray("keep me"));
        const QString renamed = rig.dir.filePath(QStringLiteral("x01.swf!mq"));
        QCOMPARE(rig.logTexts().contains("File Exits , Auto Rename:" + renamed), !overwrite);
        QVERIFY(!QFile::exists(renamed));
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages[0][0].toString(), "Job complete." + rig.job(index).Url);
    }

    void zeroWritesWhenAllocationUnsupported() {
        EngineRig rig;
        const Resource r = rig.server.serve("/z.swf", 2500000);
        QSignalSpy progress(rig.events.get(), &DownloadEvents::FileCreationProgress);
        FilePreallocator::forceZeroWrites = true;
        const int index = rig.run(rig.url("/z.swf"), 2);
        FilePreallocator::forceZeroWrites = false;
        QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
        QList<qint64> done;
        for (const auto &args : progress)
            done << args.at(1).toLongLong();
        QCOMPARE(done, (QList<qint64>{0, 1023000, 2046000, 2500000}));
    }

    // The speed limit of all downloads: a change reaches a running job at once.
    void speedLimitLiftedWhileRunning() {
        EngineRig rig;
        const Resource r = rig.server.serve("/big.swf", 8 * 1024 * 1024);
        rig.core.settings.SpeedLimit = 128; // KiB/s: 64 s for the whole file
        const int index = rig.addJob(rig.url("/big.swf"), 4);
        rig.start(index);
        QTRY_VERIFY_WITH_TIMEOUT(rig.job(index).Received > 64 * 1024, 5000);
        QVERIFY(rig.job(index).Received < 1024 * 1024);
        rig.core.settings.SpeedLimit = 0;
        QVERIFY(rig.waitFinished());
        QCOMPARE(EngineRig::sha(EngineRig::fileBytes(rig.job(index).SavePath)),
                 EngineRig::sha(r.body));
    }

    // A socket closed by a nested handler while its own handler waits for
    // events must outlive that wait.
    void socketOutlivesItsOwnEmission() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        auto *first = new QTcpSocket;
        auto *second = new QTcpSocket;
        QPointer<QTcpSocket> watched(first);
        bool aliveAfterWait = false;
        connect(second, &QTcpSocket::connected, this, [&] {
            SocketGraveyard::Scope scope;
            first->abort();
            SocketGraveyard::retire(first); // closed from a nested handler
        });
        connect(first, &QTcpSocket::connected, this, [&] {
            SocketGraveyard::Scope scope;
            second->connectToHost(server.serverAddress(), server.serverPort());
            // Let events run until the nested handler has retired this socket.
            QTRY_VERIFY(SocketGraveyard::pending() == 1);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            aliveAfterWait = !watched.isNull();
        });
        first->connectToHost(server.serverAddress(), server.serverPort());
        QTRY_VERIFY(aliveAfterWait);
        QTRY_VERIFY(watched.isNull()); // deleted once back in the event loop
        QCOMPARE(SocketGraveyard::pending(), 0);
        delete second;
    }

    void outsideAnyHandlerTheSocketGoesAtOnce() {
        QPointer<QTcpSocket> socket(new QTcpSocket);
        SocketGraveyard::retire(socket);
        QCOMPARE(SocketGraveyard::pending(), 0);
        QTRY_VERIFY(socket.isNull());
    }
};

QTEST_GUILESS_MAIN(TestDownloadJob)
#include "tst_downloadjob.moc"
