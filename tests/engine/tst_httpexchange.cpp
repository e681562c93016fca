#include "engine/HttpExchange.h"
#include "jobs/DownJobRecord.h"

#include <QtTest>

using namespace HttpExchange;

class TestHttpExchange : public QObject {
    Q_OBJECT
private slots:
    void parseUrl_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("proxy");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("remote");
        const auto good = [](const char *tag, const QString &url, bool proxy, const QString &host,
                             int port, const QString &path, const QString &remote) {
            QTest::newRow(tag) << url << proxy << true << host << port << path << remote;
        };
        const auto bad = [](const char *tag, const QString &url) {
            QTest::newRow(tag) << url << false << false << QString() << 0 << QString() << QString();
        };
        good("plain", "http://host/a/b.swf", false, "host", 80, "/a/b.swf", "b.swf");
        good("port", "http://a.b:8080/x/y.swf", false, "a.b", 8080, "/x/y.swf", "y.swf");
        good("proxy absolute form", "http://host:8080/a.swf", true, "host", 8080,
             "http://host:8080/a.swf", "a.swf");
        good("spaces trimmed", "  http://h/x.swf  ", false, "h", 80, "/x.swf", "x.swf");
        good("case of scheme", "HTTP://h/x", false, "h", 80, "/x", "x");
        good("trailing slash", "http://h/dir/", false, "h", 80, "/dir/", "");
        good("port 65535", "http://h:65535/x", false, "h", 65535, "/x", "x");
        good("port 1", "http://h:1/x", false, "h", 1, "/x", "x");
        // The port is all the text up to the "/"; the path starts at the "/".
        good("port with leading zeros", "http://h:0080/x.swf", false, "h", 80, "/x.swf", "x.swf");
        good("port with many leading zeros", "http://h:0000008080/x", false, "h", 8080, "/x", "x");
        bad("port of zeros", "http://h:0000/x");
        bad("letters behind the port", "http://h:80abc/x");
        bad("sign in the port", "http://h:+80/x");
        bad("second colon", "http://h:80:81/x");
        bad("ftp", "ftp://host/a.swf");
        bad("no slash", "http://host");
        bad("port 0", "http://h:0/x");
        bad("no digits", "http://h:/x");
        bad("port 65536", "http://h:65536/x");
        bad("huge port", "http://h:99999999999999999999/x");
        bad("empty host", "http:///x");
        bad("empty", "");
    }

    void parseUrl() {
        QFETCH(QString, url);
        QFETCH(bool, proxy);
        QFETCH(bool, ok);
        DownJobRecord r;
        r.Url = url;
        r.UseProxy = proxy ? kTrue : kFalse;
        QCOMPARE(ParseUrl(r), ok);
        if (!ok) return;
        QTEST(r.Host, "host");
        QTEST(int(r.portNumber()), "port");
        QTEST(r.RequestPath, "path");
        QTEST(r.RemoteName, "remote");
        QCOMPARE(r.FileName, r.RemoteName);
    }

    void parseUrlFailureKeepsFields() {
        DownJobRecord r;
        r.Url = QStringLiteral("http://old/x.swf");
        QVERIFY(ParseUrl(r));
        r.Url = QStringLiteral("relative/y.swf");
        QVERIFY(!ParseUrl(r));
        QCOMPARE(r.Host, QStringLiteral("old"));
        QCOMPARE(r.RequestPath, QStringLiteral("/x.swf"));
    }

    void requestText_data() {
        QTest::addColumn<int>("pos");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray head = "GET /a/b.swf HTTP/1.1\r\nAccept: */*\r\n"
                                "User-Agent: UA 1.0\r\nHost: h.example:8080\r\n";
        QTest::newRow("no range at 0") << 0 << head + "Connection: close\r\n\r\n";
        QTest::newRow("open range")
            << 123456 << head + "Range: bytes=123456-\r\nConnection: close\r\n\r\n";
    }

    void requestText() {
        QFETCH(int, pos);
        DownJobRecord r;
        r.Url = QStringLiteral("http://h.example:8080/a/b.swf");
        r.UserAgent = QStringLiteral("UA 1.0");
        QVERIFY(ParseUrl(r));
        QTEST(RequestText(r, pos), "expected");
    }

    void headerPart_data() {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<int>("length");
        const QByteArray header =
            "HTTP/1.1 200 OK\r\nContent-Length: 1160\r\n" + QByteArray(300 - 43, 'x') + "\r\n\r\n";
        QTest::newRow("300 of 1460") << header + QByteArray(1160, 'b') << 300;
        QTest::newRow("no blank line") << QByteArray("HTTP/1.1 200 OK\r\nabc") << -1;
        QTest::newRow("header only") << QByteArray("HTTP/1.1 200 OK\r\n\r\n") << 19;
        QTest::newRow("latin-1 byte")
            << QByteArray("HTTP/1.1 200 OK\r\nX: \xe9\xff\r\n\r\nbody") << 26;
    }

    void headerPart() {
        QFETCH(QByteArray, block);
        QFETCH(int, length);
        QCOMPARE(HeaderLength(block), length);
        const QString header = GetHeaderPart(block);
        QCOMPARE(int(header.size()), qMax(length, 0));
        QCOMPARE(header.toLatin1(), length < 0 ? QByteArray() : block.left(length));
    }

    void statusCode_data() {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("code");
        const auto row = [](const char *tag, const QString &header, const QString &code) {
            QTest::newRow(tag) << header << code;
        };
        row("200", "HTTP/1.1 200 OK\r\n\r\n", "200");
        row("1.0 200", "HTTP/1.0 200 OK\r\n\r\n", "200");
        row("200 Ok", "HTTP/1.1 200 Ok\r\n\r\n", "");
        row("206", "HTTP/1.1 206 Partial Content\r\n\r\n", "206");
        row("1.0 206", "HTTP/1.0 206 Partial\r\n\r\n", "206");
        row("404", "HTTP/1.1 404 Not Found\r\n\r\n", "404");
        row("302 1.0", "HTTP/1.0 302 Found\r\n\r\n", "30");
        row("301", "HTTP/1.1 301 Moved\r\n\r\n", "30");
        row("500", "HTTP/1.1 500 Error\r\n\r\n", "");
        row("403", "HTTP/1.1 403 Forbidden\r\n\r\n", "");
        row("empty", "", "");
        // Only the status line decides, never a field quoting another one.
        row("404 quoting 200", "HTTP/1.1 404 Not Found\r\nX-Debug: HTTP/1.1 200 OK\r\n\r\n", "404");
        row("500 quoting 302", "HTTP/1.1 500 Error\r\nX-Via: HTTP/1.1 302 Found\r\n\r\n", "");
    }

    void statusCode() {
        QFETCH(QString, header);
        QTEST(GetStatusCode(header), "code");
    }

    void contentLengthAndLocation_data() {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("location");
        const auto row = [](const char *tag, const QString &header, const QString &length,
                            const QString &location) {
            QTest::newRow(tag) << header << length << location;
        };
        row("with blank", "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n", "5000", "");
        row("without blank", "HTTP/1.1 200 OK\r\nContent-Length:5000\r\n\r\n", "5000", "");
        row("case", "HTTP/1.1 200 OK\r\ncontent-length:  7 \r\n\r\n", "7", "");
        row("absent", "HTTP/1.1 200 OK\r\n\r\n", "0", "");
        row("location", "HTTP/1.1 302 Found\r\nlocation:  http://x/y \r\n\r\n", "0", "http://x/y");
        // Fields count at the start of a line only.
        row("other fields first",
            "HTTP/1.1 302 Found\r\nContent-Location: http://bad/\r\nX-Original-Content-Length: "
            "99\r\nLocation: http://good/\r\nContent-Length: 12\r\n\r\n",
            "12", "http://good/");
        row("only inside other fields",
            "HTTP/1.1 200 OK\r\nContent-Location: http://bad/\r\nX-Original-Content-Length: "
            "99\r\n\r\n",
            "0", "");
        row("name in the status line", "HTTP/1.1 200 Location: x\r\n\r\n", "0", "");
    }

    void contentLengthAndLocation() {
        QFETCH(QString, header);
        QTEST(GetContentLength(header), "length");
        QTEST(GetLocation(header), "location");
    }

    void resolveLocation_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("resolved");
        const auto row = [](const char *tag, const QString &base, const QString &location,
                            const QString &resolved) {
            QTest::newRow(tag) << base << location << resolved;
        };
        row("absolute", "http://a/b/c", "http://x/y", "http://x/y");
        row("root relative", "http://a:81/b/c?q", "/z.swf", "http://a:81/z.swf");
        row("folder relative", "http://a/b/c.swf?q=/1", "d.swf", "http://a/b/d.swf");
        row("scheme relative", "http://a/b", "//h2/x", "http://h2/x");
        row("other scheme", "http://a/b", "ftp://h/x", "ftp://h/x");
    }

    void resolveLocation() {
        QFETCH(QString, base);
        QFETCH(QString, location);
        QTEST(ResolveLocation(base, location), "resolved");
    }
};

QTEST_GUILESS_MAIN(TestHttpExchange)
#include "tst_httpexchange.moc"
