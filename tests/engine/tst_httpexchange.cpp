// The request a part sends and what it reads from the answer's header: the
// status, the length, a redirect's target, and the file name a server gives
// with Content-Disposition (read, made safe, used by real downloads).
#include "common/FaultHttpServer.h"
#include "common/MqRunner.h"
#include "common/NginxServer.h"
#include "common/TestFiles.h"
#include "common/TestRows.h"
#include "engine/HttpExchange.h"
#include "engine/ServerFileName.h"
#include "jobs/DownJobRecord.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace HttpExchange;
using namespace ServerFileName;

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
        const auto bad = [](const char *tag, const QString &url) {
            QTest::newRow(tag) << url << false << false << QString() << 0 << QString() << QString();
        };
        row("plain", "http://host/a/b.swf", false, true, "host", 80, "/a/b.swf", "b.swf");
        row("port", "http://a.b:8080/x/y.swf", false, true, "a.b", 8080, "/x/y.swf", "y.swf");
        row("proxy absolute form", "http://host:8080/a.swf", true, true, "host", 8080,
            "http://host:8080/a.swf", "a.swf");
        row("spaces trimmed", "  http://h/x.swf  ", false, true, "h", 80, "/x.swf", "x.swf");
        row("case of scheme", "HTTP://h/x", false, true, "h", 80, "/x", "x");
        row("trailing slash", "http://h/dir/", false, true, "h", 80, "/dir/", "");
        row("port 65535", "http://h:65535/x", false, true, "h", 65535, "/x", "x");
        row("port 1", "http://h:1/x", false, true, "h", 1, "/x", "x");
        // The port is all the text up to the "/"; the path starts at the "/".
        row("port with leading zeros", "http://h:0080/x.swf", false, true, "h", 80, "/x.swf",
            "x.swf");
        row("port with many leading zeros", "http://h:0000008080/x", false, true, "h", 8080, "/x",
            "x");
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
        bad("relative", "relative/y.swf");
    }

    void parseUrl() {
        QFETCH(QString, url);
        QFETCH(bool, proxy);
        QFETCH(bool, ok);
        DownJobRecord r;
        if (!ok) { // a failure keeps the fields of the address before
            r.Url = QStringLiteral("http://old/x.swf");
            QVERIFY(ParseUrl(r));
        }
        r.Url = url;
        r.UseProxy = proxy ? kTrue : kFalse;
        QCOMPARE(ParseUrl(r), ok);
        if (!ok) QCOMPARE(r.Host + r.RequestPath, QStringLiteral("old/x.swf"));
        if (!ok) return;
        QTEST(r.Host, "host");
        QTEST(int(r.portNumber()), "port");
        QTEST(r.RequestPath, "path");
        QTEST(r.RemoteName, "remote");
        QCOMPARE(r.FileName, r.RemoteName);
    }

    // The browser's cookies go in one Cookie line right behind the User-Agent;
    // without them the request is the bytes it always was.
    void requestText_data() {
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("cookies");
        QTest::addColumn<QString>("ifRange");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray head = "GET /a/b.swf HTTP/1.1\r\nAccept: */*\r\nUser-Agent: UA 1.0\r\n";
        const QByteArray host = "Host: h.example:8080\r\n", close = "Connection: close\r\n\r\n";
        row("no range at 0", 0, "", "", head + host + close);
        row("open range", 123456, "", "", head + host + "Range: bytes=123456-\r\n" + close);
        row("cookies", 0, "sid=42; theme=dark", "",
            head + "Cookie: sid=42; theme=dark\r\n" + host + close);
        row("cookies, range and If-Range", 700, "sid=42", "\"v1\"",
            head + "Cookie: sid=42\r\n" + host + "Range: bytes=700-\r\nIf-Range: \"v1\"\r\n" +
                close);
        row("If-Range only with a range", 0, "", "\"v1\"", head + host + close);
    }

    void requestText() {
        QFETCH(int, pos);
        QFETCH(QString, cookies);
        QFETCH(QString, ifRange);
        DownJobRecord r;
        r.Url = QStringLiteral("http://h.example:8080/a/b.swf");
        r.UserAgent = QStringLiteral("UA 1.0");
        r.Cookies = cookies;
        QVERIFY(ParseUrl(r));
        QTEST(RequestText(r, pos, ifRange), "expected");
    }

    void headerPart_data() {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<int>("length");
        const QByteArray header =
            "HTTP/1.1 200 OK\r\nContent-Length: 1160\r\n" + QByteArray(300 - 43, 'x') + "\r\n\r\n";
        row("300 of 1460", header + QByteArray(1160, 'b'), 300);
        row("no blank line", QByteArray("HTTP/1.1 200 OK\r\nabc"), -1);
        row("header only", QByteArray("HTTP/1.1 200 OK\r\n\r\n"), 19);
        row("latin-1 byte", QByteArray("HTTP/1.1 200 OK\r\nX: \xe9\xff\r\n\r\nbody"), 26);
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

    void contentDisposition_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("name");
        row("quoted", "attachment; filename=\"game.swf\"", "game.swf");
        row("token", "attachment; filename=game.swf", "game.swf");
        row("spaces and case", "Attachment ;  FILENAME = \"my game.swf\" ", "my game.swf");
        row("escaped quote", "attachment; filename=\"a\\\"b.swf\"", "a\"b.swf");
        row("semicolon in quotes", "attachment; filename=\"a;b.swf\"; size=3", "a;b.swf");
        row("extended wins", "attachment; filename*=UTF-8''M%C3%A4dchen.swf; filename=\"x.swf\"",
            QString::fromUtf8("Mädchen.swf"));
        row("extended after plain",
            "attachment; filename=\"x.swf\"; filename*=utf-8'de'Gr%C3%B6%C3%9Fe.swf",
            QString::fromUtf8("Größe.swf"));
        row("extended in Latin-1", "attachment; filename*=ISO-8859-1''caf%E9.swf",
            QString::fromUtf8("café.swf"));
        row("UTF-8 bytes in plain", QString::fromLatin1("attachment; filename=\"M\xc3\xa4.swf\""),
            QString::fromUtf8("Mä.swf"));
        row("Latin-1 bytes in plain", QString::fromLatin1("attachment; filename=\"M\xe4.swf\""),
            QString::fromUtf8("Mä.swf"));
        row("bad extended falls back",
            "attachment; filename*=UTF-8''%FF%FE.swf; filename=\"ok.swf\"", "ok.swf");
        row("unknown charset falls back", "attachment; filename*=x-nonsense''a.swf; filename=b.swf",
            "b.swf");
        row("unclosed quote", "attachment; filename=\"open.swf", "open.swf");
        row("no name", "attachment", "");
        row("empty name", "attachment; filename=\"\"", "");
        row("only dots", "attachment; filename=\"....\"", "");
        row("parent folders", "attachment; filename=\"../../.bashrc\"", "bashrc");
        row("backslashes", "attachment; filename=\"..\\..\\win.ini\"", "win.ini");
        row("control characters", "attachment; filename=\"a\x01\tb\x7f.swf\"", "ab.swf");
        row("inline", "inline; filename=clip.swf", "clip.swf");
        // Cut to 255 bytes of UTF-8, whole characters only, the extension kept.
        row("long name", "attachment; filename=\"" + QString(10000, QChar(0xe4)) + ".swf\"",
            QString(125, QChar(0xe4)) + ".swf");
    }
    void contentDisposition() {
        QFETCH(QString, value);
        QTEST(FromContentDisposition(value), "name");
    }

    void namedAfterUrl_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("fromUrl");
        row("last segment", "http://h/download.php?id=3", "/d/download.php?id=3", true);
        row("without query", "http://h/download.php?id=3", "/d/download.php", true);
        row("decoded", "http://h/my%20game.swf", "/d/my game.swf", true);
        row("folder", "http://h/get", "/d/", true);
        row("typed", "http://h/download.php?id=3", "/d/mine.swf", false);
    }
    void namedAfterUrl() {
        DownJobRecord job;
        QFETCH(QString, url);
        QFETCH(QString, path);
        job.Url = url;
        job.SavePath = path;
        QTEST(NamedAfterUrl(job), "fromUrl");
    }

    // nginx names the file: created under that name, a hostile one made safe
    // (the rules themselves are contentDisposition's and namedAfterUrl's).
    void downloadsTakeTheName_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("saved");
        row("10 parts", "download.php?id=3", QStringList{"--parts", "10"}, "game.swf");
        row("hostile name", "evil.php", QStringList{"--parts", "3"}, "bashrc");
    }
    void downloadsTakeTheName() {
        QFETCH(QString, file);
        QFETCH(QStringList, extra);
        QFETCH(QString, saved);
        NginxServer nginx(
            QStringLiteral("    location = /download.php { add_header Content-Disposition "
                           "'attachment; filename=\"game.swf\"'; }\n"
                           "    location = /evil.php { add_header Content-Disposition "
                           "'attachment; filename=\"../../.bashrc\"'; }\n"));
        if (!nginx.available()) QSKIP("nginx is not installed");
        const QByteArray movie = FaultHttpServer::pattern(600000);
        for (const char *name : {"download.php", "evil.php"})
            QVERIFY(nginx.put(QString::fromLatin1(name), movie));
        QVERIFY(nginx.start());
        QTemporaryDir home;
        const QString dir = home.filePath(QStringLiteral("in"));
        MqRunner mq;
        QCOMPARE(mq.run(QStringList{"get", nginx.url(file), "--dir", dir} + extra), 0);
        // The last line names the file (a line before may judge the movie).
        QCOMPARE(QString::fromLocal8Bit(mq.err()).trimmed().split(QLatin1Char('\n')).last(),
                 QDir(dir).filePath(saved));
        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{saved});
        QCOMPARE(readFileBytes(QDir(dir).filePath(saved)), movie);
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"in"});
    }

    // A small movie from a slow server: part 1's first block is a second's
    // worth, more than a tenth of the movie, and still every part gets a
    // range. 8 KiB/s per connection leaves a busy machine time to ask.
    void smallSlowMovieUsesItsParts() {
        NginxServer nginx(QStringLiteral("    location /tiny/ { limit_rate 8k; }\n"));
        if (!nginx.available()) QSKIP("nginx is not installed");
        const QByteArray movie = FaultHttpServer::pattern(72704);
        QVERIFY(nginx.put(QStringLiteral("tiny/movie.swf"), movie));
        QVERIFY(nginx.start());
        QTemporaryDir dir;
        MqRunner mq;
        QCOMPARE(mq.run({"get", nginx.url(QStringLiteral("tiny/movie.swf")), "--parts", "10",
                         "--dir", dir.path(), "--events"}),
                 0);
        const QByteArray events = mq.out();
        QCOMPARE(events.count("\"type\":\"Cancel\""), 0);
        QCOMPARE(events.count("HTTP/1.1 206 Partial Content"), 9);
        QCOMPARE(readFileBytes(dir.filePath(QStringLiteral("movie.swf"))), movie);
    }
};

QTEST_GUILESS_MAIN(TestHttpExchange)
#include "tst_httpexchange.moc"
