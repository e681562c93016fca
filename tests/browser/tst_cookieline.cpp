// The browser's cookies on the wire: one Cookie line right behind the
// User-Agent line of every request of the job they came with; a job without
// cookies sends the bytes it always sent.
#include "common/FaultHttpServer.h"
#include "engine/EngineRig.h"
#include "engine/HttpExchange.h"

#include <QtTest>

class TestCookieLine : public QObject {
    Q_OBJECT
private slots:
    void requestText_data();
    void requestText();
    void everyPartRequestCarriesTheCookies();
};

void TestCookieLine::requestText_data() {
    QTest::addColumn<QString>("cookies");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray head = "GET /m.swf HTTP/1.1\r\nAccept: */*\r\nUser-Agent: Browser/1\r\n";
    const QByteArray tail = "Host: h.example\r\nConnection: close\r\n\r\n";
    QTest::newRow("no cookies: unchanged") << QString() << 0 << head + tail;
    QTest::newRow("cookies behind the agent")
        << "sid=42; theme=dark" << 0 << head + "Cookie: sid=42; theme=dark\r\n" + tail;
    QTest::newRow("with a range")
        << "sid=42" << 700
        << head + "Cookie: sid=42\r\nHost: h.example\r\nRange: bytes=700-\r\nConnection: "
                  "close\r\n\r\n";
}

void TestCookieLine::requestText() {
    QFETCH(QString, cookies);
    QFETCH(int, pos);
    DownJobRecord r;
    r.Url = QStringLiteral("http://h.example/m.swf");
    r.UserAgent = QStringLiteral("Browser/1");
    r.Cookies = cookies;
    QVERIFY(HttpExchange::ParseUrl(r));
    QTEST(HttpExchange::RequestText(r, pos), "expected");
}

void TestCookieLine::everyPartRequestCarriesTheCookies() {
    FaultHttpServer server;
    FaultHttpServer::Resource movie;
    movie.body = FaultHttpServer::pattern(200 * 1024);
    movie.chunk = 8192; // paced, so that the further parts start while part 1 runs
    movie.intervalMs = 10;
    server.setResource(QStringLiteral("/m.swf"), movie);
    FaultHttpServer::Resource plain;
    plain.body = FaultHttpServer::pattern(4000);
    server.setResource(QStringLiteral("/plain.swf"), plain);
    EngineRig rig;
    const int withCookies = rig.addJob(server.url(QStringLiteral("/m.swf")), 3, "m.swf");
    rig.job(withCookies).Cookies = QStringLiteral("sid=42; theme=dark");
    const int without = rig.addJob(server.url(QStringLiteral("/plain.swf")), 1, "plain.swf");
    rig.start(withCookies);
    QTRY_VERIFY_WITH_TIMEOUT(rig.finished->count() >= 1, 10000);
    rig.start(without);
    QTRY_VERIFY_WITH_TIMEOUT(rig.finished->count() >= 2, 10000);
    QCOMPARE(rig.job(withCookies).State, qint32(StateComplete));
    QCOMPARE(EngineRig::fileBytes(rig.job(withCookies).SavePath), movie.body);

    int cookieRequests = 0;
    QList<QByteArray> plainRequests;
    for (const QByteArray &request : server.requests) {
        if (request.startsWith("GET /m.swf")) {
            ++cookieRequests;
            QVERIFY2(request.contains("\r\nUser-Agent: MQTest\r\nCookie: sid=42; theme=dark\r\n"
                                      "Host: 127.0.0.1:" +
                                      QByteArray::number(server.port()) + "\r\n"),
                     request.constData());
        } else {
            plainRequests << request;
        }
    }
    QCOMPARE(plainRequests.value(0),
             "GET /plain.swf HTTP/1.1\r\nAccept: */*\r\nUser-Agent: MQTest\r\nHost: 127.0.0.1:" +
                 QByteArray::number(server.port()) + "\r\nConnection: close\r\n\r\n");
    for (const QByteArray &request : plainRequests)
        QVERIFY(!request.contains("Cookie"));
    QVERIFY2(cookieRequests >= 2, "the parts' range requests were not made");
}

QTEST_GUILESS_MAIN(TestCookieLine)
#include "tst_cookieline.moc"
