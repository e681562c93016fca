#include "common/FaultHttpServer.h"
#include "common/JobFields.h"
#include "common/TestFiles.h"
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
        QTest::addColumn<QStringList>("mustReport");
        Resource r;
        r.body = FaultHttpServer::pattern(40000);
        QTest::newRow("40,000 bytes, 5 parts: part 1 alone") << r << 5 << 1 << QStringList{};
        r.body = FaultHttpServer::pattern(1000000);
        r.chunk = 16384;
        QTest::newRow("1,000,000 bytes, 4 parts") << r << 4 << 4 << QStringList{};
        QTest::newRow("10 parts") << r << 10 << -1 << QStringList{};
        Resource noRanges = r;
        noRanges.ranges = false;
        QTest::newRow("200 to a range request")
            << noRanges << 4 << 2 << QStringList{"ReSumeTestError", "Cancel"};
        Resource noLength;
        noLength.body = FaultHttpServer::pattern(300000);
        noLength.contentLength = false;
        noLength.chunk = 30000;
        QTest::newRow("no Content-Length") << noLength << 5 << 1 << QStringList{};
        Resource split = r;
        split.headerPieces = 3;
        QTest::newRow("header split across segments") << split << 3 << -1 << QStringList{};
        Resource drop = r;
        drop.dropAfter = 100000;
        drop.dropTimes = 2;
        QTest::newRow("connections drop mid-part") << drop << 3 << -1 << QStringList{};
        Resource late = r;
        late.rangeFailFrom = 400000; // parts 3 and 4 of 5 get "200"
        QTest::newRow("parts 3+ answer 200") << late << 5 << -1 << QStringList{};
        Resource slow;
        slow.body = FaultHttpServer::pattern(200000);
        slow.chunk = 8000;
        slow.intervalMs = 2;
        QTest::newRow("slow server") << slow << 3 << -1 << QStringList{};
    }

    void download() {
        QFETCH(Resource, resource);
        QFETCH(int, parts);
        QFETCH(int, requests);
        QFETCH(QStringList, mustReport);
        FaultHttpServer server;
        server.setResource(QStringLiteral("/d/f.swf"), resource);
        EngineRig rig;
        const int index = rig.addJob(server.url(QStringLiteral("/d/f.swf")), parts);
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
        if (requests >= 0) QCOMPARE(server.requests.size(), requests);
        for (const QString &type : mustReport)
            QVERIFY2(rig.count(type) > 0, qPrintable(type));
        QVERIFY(!rig.events->clsDownJob(1)->Busy);
        QCOMPARE(rig.events->clsDownJob(1)->OpenConnections(), 0);
        // No range request ever asks beyond the file; each carries the cookies.
        for (const QByteArray &req : server.requests) {
            QVERIFY(!req.contains("Range: bytes=" + QByteArray::number(resource.body.size())));
            QVERIFY2(req.contains("\r\nUser-Agent: MQTest\r\nCookie: sid=42; theme=dark\r\n"),
                     req.constData());
        }
    }

    void proxyMode() {
        FaultHttpServer proxy;
        const Resource r = proxy.serve(QStringLiteral("/a.swf"), 70000);
        EngineRig rig;
        const int index = rig.addJob(QStringLiteral("http://movies.invalid:8080/a.swf"), 2);
        rig.job(index).UseProxy = kTrue;
        rig.job(index).ProxyHost = QStringLiteral("127.0.0.1");
        rig.job(index).ProxyPort = qint16(proxy.port());
        rig.start(index);
        QVERIFY(rig.waitFinished());
        QCOMPARE(rig.job(index).State, qint32(StateComplete));
        QVERIFY(!proxy.requests.isEmpty());
        QVERIFY(proxy.requests[0].startsWith("GET http://movies.invalid:8080/a.swf HTTP/1.1\r\n"));
        QVERIFY(proxy.requests[0].contains("\r\nHost: movies.invalid:8080\r\n"));
        QCOMPARE(rig.reports.first().text, QStringLiteral("127.0.0.1:%1").arg(proxy.port()));
        QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
    }

    void singlePartReportsAndLog() {
        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/x.swf"), 5000);
        EngineRig rig;
        const int index = rig.run(server.url(QStringLiteral("/x.swf")), 1);

        const QByteArray expected =
            "GET /x.swf HTTP/1.1\r\nAccept: */*\r\nUser-Agent: MQTest\r\nHost: 127.0.0.1:" +
            QByteArray::number(server.port()) + "\r\nConnection: close\r\n\r\n";
        QCOMPARE(server.requests.value(0), expected);
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
        QCOMPARE(log.mid(0, 9),
                 (QStringList{"Connecting:" + endpoint, "Connected:" + endpoint + "(IP:127.0.0.1)",
                              "Send Request.", "GET /x.swf HTTP/1.1", "Accept: */*",
                              "User-Agent: MQTest", "Host: " + endpoint, "Connection: close",
                              "Waiting For Server Response..."}));
        QCOMPARE(log[9], QStringLiteral("Reveive the Server Response.."));
        QCOMPARE(log[10], QStringLiteral("HTTP/1.1 200 OK"));
        QVERIFY(log.contains(QStringLiteral("Start Receiving Date...")));
        QCOMPARE(log.mid(log.size() - 2), (QStringList{"This Part Receiving Data Complete.",
                                                       "The Connection Close by Server."}));
        COMPARE_FIELDS(rig.job(index), "{'State': 4}");
        QVERIFY(rig.job(index).CompleteTime > 0);
    }

    void answerAndCloseDuringTheRequestReport() {
        // The handler of the "Request" report lets events run long enough for the
        // whole answer and the server's close to arrive before the job reads.
        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/x.swf"), 5000);
        EngineRig rig;
        QObject::connect(
            rig.events->clsDownJob(1), &clsDownLoadJob::UpDataState, &server,
            [&](qint16, JobReport type, const QString &) {
                if (type != JobReport::Request) return;
                if (!QTest::qWaitFor([&] { return server.openConnections() == 0; }, 5000))
                    qWarning("the server did not close");
                QTest::qWait(100); // let the close reach the client socket
            });
        const int index = rig.run(server.url(QStringLiteral("/x.swf")), 1);
        QCOMPARE(rig.job(index).State, qint32(StateComplete));
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(rig.types(),
                 (QStringList{"Connecting", "Connected", "Request", "Response", "Close"}));
        QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
    }

    void redirects_data() {
        QTest::addColumn<QStringList>(
            "chain"); // path -> Location of each hop; last serves the file
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("lastLog");
        QTest::newRow("302 then 301")
            << QStringList{"/a", "/b", "http://127.0.0.1:PORT/c"} << int(StateComplete) << "";
        QTest::newRow("relative Location")
            << QStringList{"/d/a", "b", "../c"} << int(StateComplete) << "";
        QTest::newRow("loop") << QStringList{"/l1", "/l2", "/l1"} << int(StateError)
                              << "Too many redirects";
        QTest::newRow("unusable Location")
            << QStringList{"/u", "ftp://x/y"} << int(StateError) << "Cannot follow the redirect";
    }

    void redirects() {
        QFETCH(QStringList, chain);
        QFETCH(int, state);
        QFETCH(QString, lastLog);
        FaultHttpServer server;
        const QByteArray body = FaultHttpServer::pattern(3000);
        const QString port = QString::number(server.port());
        QString path = chain[0];
        for (int i = 1; i < chain.size(); ++i) {
            Resource hop;
            hop.status = i % 2 ? "HTTP/1.1 302 Found" : "HTTP/1.0 301 Moved";
            QString location = chain[i];
            location.replace(QLatin1String("PORT"), port);
            hop.location = location.toLatin1();
            server.setResource(path, hop);
            if (location.startsWith(QLatin1String("http://")))
                path = location.mid(location.indexOf(QLatin1Char('/'), 7));
            else if (location.startsWith(QLatin1Char('/')))
                path = location;
            else if (location == QLatin1String("b"))
                path = QStringLiteral("/d/b");
            else if (location == QLatin1String("../c"))
                path = QStringLiteral("/d/../c");
        }
        if (state == StateComplete) {
            Resource file;
            file.body = body;
            server.setResource(path, file);
        }
        EngineRig rig;
        // Part 1's log is rebuilt after every line of it, the last one included.
        int linesShown = 0;
        QObject::connect(rig.events.get(), &DownloadEvents::LogListRebuild, &server,
                         [&](int, int part) {
                             QCOMPARE(part, 1);
                             linesShown = rig.log.JobLogCount();
                         });
        const int index = rig.run(server.url(chain[0]), 1);
        QCOMPARE(index, 1);
        QCOMPARE(rig.job(index).State, qint32(state));
        QCOMPARE(rig.finished->at(0).at(1).toInt(), state);
        if (state != StateComplete) QCOMPARE(linesShown, rig.log.JobLogCount());
        if (state == StateComplete) {
            QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), body);
            QVERIFY(rig.count(QStringLiteral("Redirect")) >= 2);
            QVERIFY(rig.logTexts().contains("Redirect link to other site:" + rig.job(index).Url));
        } else {
            QVERIFY2(rig.logTexts().last().startsWith(lastLog), qPrintable(rig.logTexts().last()));
            QCOMPARE(rig.core.lvNowDown.row(0).iconKey, QStringLiteral("Error"));
        }
        QVERIFY(!rig.events->clsDownJob(1)->Busy);
    }

    void jobErrors_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("logStart");
        QTest::newRow("URL cannot be split") << "url" << QString("The URL cannot be used");
        QTest::newRow("folder cannot be made") << "folder" << QString("Cannot create the folder");
        QTest::newRow("size beyond 32 bits")
            << "size" << QString("The file is too large: 3000000000 bytes");
        QTest::newRow("connection refused")
            << "refused" << QString("The server stopped delivering");
    }

    void jobErrors() {
        QFETCH(QString, what);
        QFETCH(QString, logStart);
        FaultHttpServer server;
        Resource r;
        r.body = "abc";
        if (what == QLatin1String("size")) {
            r.contentLength = false;
            r.status = "HTTP/1.1 200 OK\r\nContent-Length: 3000000000";
        }
        server.setResource(QStringLiteral("/f.swf"), r);
        EngineRig rig;
        QString url = server.url(QStringLiteral("/f.swf"));
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
        const int next =
            rig.addJob(server.url(QStringLiteral("/f.swf")), 1, QStringLiteral("g.swf"));
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

    void autoRenameAndSuffix() {
        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/x.swf"), 1000);
        EngineRig rig;
        rig.core.settings.UseMQ = 1;
        rig.core.settings.PopMessage = 1;
        QSignalSpy messages(rig.events.get(), &DownloadEvents::JobMessage);
        for (const char *name : {"x.swf!mq", "x0.swf!mq"})
            QVERIFY(writeFileBytes(rig.dir.filePath(QLatin1String(name)), {}));
        const int index = rig.run(server.url(QStringLiteral("/x.swf")), 1, QStringLiteral("x.swf"));
        const QString renamed = rig.dir.filePath(QStringLiteral("x01.swf!mq"));
        QVERIFY(rig.logTexts().contains("File Exits , Auto Rename:" + renamed));
        QCOMPARE(rig.job(index).SavePath, rig.dir.filePath(QStringLiteral("x01.swf")));
        QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
        QVERIFY(!QFile::exists(renamed));
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages[0][0].toString(), "Job complete." + rig.job(index).Url);
    }

    void suffixNeverReplacesExistingFile() {
        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/x.swf"), 1000);
        EngineRig rig;
        rig.core.settings.UseMQ = 1;
        rig.core.settings.Fileexits = true; // Overwrite
        const QString existing = rig.dir.filePath(QStringLiteral("x.swf"));
        QVERIFY(writeFileBytes(existing, "keep me"));
        const int index = rig.run(server.url(QStringLiteral("/x.swf")), 1, QStringLiteral("x.swf"));
        QCOMPARE(rig.job(index).State, qint32(StateComplete));
        QCOMPARE(rig.job(index).SavePath, rig.dir.filePath(QStringLiteral("x.swf!mq")));
        QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
        QCOMPARE(EngineRig::fileBytes(existing), QByteArray("keep me"));
    }

    void zeroWritesWhenAllocationUnsupported() {
        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/z.swf"), 2500000);
        EngineRig rig;
        QSignalSpy progress(rig.events.get(), &DownloadEvents::FileCreationProgress);
        FilePreallocator::forceZeroWrites = true;
        const int index = rig.run(server.url(QStringLiteral("/z.swf")), 2);
        FilePreallocator::forceZeroWrites = false;
        QCOMPARE(EngineRig::fileBytes(rig.job(index).SavePath), r.body);
        QList<qint64> done;
        for (const auto &args : progress)
            done << args.at(1).toLongLong();
        QCOMPARE(done, (QList<qint64>{0, 1023000, 2046000, 2500000}));
    }

    // The speed limit of all downloads: a change reaches a running job at once.
    void speedLimitLiftedWhileRunning() {
        FaultHttpServer server;
        const Resource r = server.serve(QStringLiteral("/big.swf"), 8 * 1024 * 1024);
        EngineRig rig;
        rig.core.settings.SpeedLimit = 128; // KiB/s: 64 s for the whole file
        const int index = rig.addJob(server.url(QStringLiteral("/big.swf")), 4);
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
