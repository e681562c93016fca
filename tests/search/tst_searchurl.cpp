#include "search/SearchJobRecord.h"
#include "search/SearchUrl.h"

#include <QTest>

namespace {
// One row of a table of three texts.
void row(const char *tag, const QString &a, const QString &b, const QString &c) {
    QTest::newRow(tag) << a << b << c;
}
} // namespace

class tst_SearchUrl : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("proxy");
        QTest::addColumn<QString>("storedUrl");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("requestPath");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("fileName");
        const auto parsed = [](const char *tag, const QString &url, bool proxy,
                               const QString &stored, const QString &host, int port,
                               const QString &path, const QString &dir, const QString &file) {
            QTest::newRow(tag) << url << proxy << stored << host << port << path << dir << file;
        };
        parsed("scheme and host only", "http://h", false, "http://h/", "h", 80, "/", "/", "");
        parsed("page in a folder", "http://h/a/b/p.htm?x=1", false, "http://h/a/b/p.htm?x=1", "h",
               80, "/a/b/p.htm?x=1", "/a/b/", "p.htm?x=1");
        parsed("port stays in Host and is dialled", "http://h:8080/a/", false, "http://h:8080/a/",
               "h:8080", 8080, "/a/", "/a/", "");
        parsed("proxy form", "http://h:81/x/y.html", true, "http://h:81/x/y.html", "h:81", 81,
               "http://h:81/x/y.html", "/x/", "y.html");
        parsed("query with slash", "http://h/p?u=/q/r", false, "http://h/p?u=/q/r", "h", 80,
               "/p?u=/q/r", "/p?u=/q/", "r");
        parsed("https, port 443", "https://h", false, "https://h/", "h", 443, "/", "/", "");
        parsed("request target percent-encoded", QString::fromUtf8("http://h/my page/Mä.htm"),
               false, QString::fromUtf8("http://h/my page/Mä.htm"), "h", 80,
               "/my%20page/M%C3%A4.htm", "/my page/", QString::fromUtf8("Mä.htm"));
        parsed("https through a tunnel: the path alone", "https://h:8443/x/y.html", true,
               "https://h:8443/x/y.html", "h:8443", 8443, "/x/y.html", "/x/", "y.html");
    }

    void parse() {
        QFETCH(QString, url);
        QFETCH(bool, proxy);
        SearchJobRecord rec;
        rec.Url = url;
        rec.UseProxy = proxy ? -1 : 0;
        QVERIFY(SearchUrl::ParseSearchUrl(rec));
        QTEST(rec.Url, "storedUrl");
        QTEST(rec.Host, "host");
        QTEST(int(rec.portNumber()), "port");
        QTEST(rec.RequestPath, "requestPath");
        QTEST(rec.Directory, "directory");
        QTEST(rec.FileName, "fileName");
    }

    void parse_refusesBadUrls_data() {
        QTest::addColumn<QString>("url");
        QTest::newRow("no scheme") << "www.h.com/a";
        QTest::newRow("upper-case scheme") << "HTTP://h/";
        QTest::newRow("ftp") << "ftp://h/a.swf";
        QTest::newRow("https not at the start") << "see https://h/";
        QTest::newRow("https, empty host") << "https:///a";
        QTest::newRow("empty host") << "http:///a";
        QTest::newRow("port zero") << "http://h:0/";
        QTest::newRow("port too large") << "http://h:65536/";
        QTest::newRow("port not a number") << "http://h:x/";
        QTest::newRow("empty") << "";
    }

    void parse_refusesBadUrls() {
        QFETCH(QString, url);
        SearchJobRecord rec;
        rec.Url = url;
        rec.Host = QStringLiteral("before");
        QString error;
        QVERIFY(!SearchUrl::ParseSearchUrl(rec, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(rec.Url, url);
        QCOMPARE(rec.Host, QStringLiteral("before"));
    }

    void resolve_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("resolved");
        row("absolute", "http://h/a/", "http://o/m.swf", "http://o/m.swf");
        row("scheme and host in lower case", "http://h/a/", "HTTPS://O/m.swf", "https://o/m.swf");
        row("root", "http://h:81/a/p.htm", "/m.swf", "http://h:81/m.swf");
        row("relative", "http://h/a/p.htm?q=1", "m.swf", "http://h/a/m.swf");
        row("parent and current steps", "http://h/a/b/", "../.././c/./m.swf", "http://h/c/m.swf");
        row("protocol-relative", "https://h/a/", "//o/x.swf", "https://o/x.swf");
        row("fragment dropped", "http://h/a/p.htm", "m.swf#top", "http://h/a/m.swf");
        row("empty is the page", "http://h/a/p.htm", "", "http://h/a/p.htm");
        row("blanks around, line breaks inside", "http://h/a/", " \tm\n.s\r\nwf ",
            "http://h/a/m.swf");
        row("backslash in the path only", "http://h/a/", "b\\m.swf?x=\\",
            "http://h/a/b/m.swf?x=%5C");
        row("space and non-ASCII as UTF-8", "http://h/a/", QString::fromUtf8("my Mädchen.swf"),
            "http://h/a/my%20M%C3%A4dchen.swf");
        row("same scheme without slashes is relative", "http://h/a/", "http:m.swf",
            "http://h/a/m.swf");
        row("other schemes give nothing", "http://h/a/", "javascript:go('x.swf')", "");
        row("data gives nothing", "http://h/a/", "data:application/x-shockwave-flash,x", "");
        row("no host gives nothing", "http://h/a/", "http:///m.swf", "");
    }

    void resolve() {
        QFETCH(QString, page);
        QFETCH(QString, link);
        SearchJobRecord rec;
        rec.Url = page;
        QVERIFY(SearchUrl::ParseSearchUrl(rec));
        QTEST(SearchUrl::Resolve(rec, link), "resolved");
    }

    void saveName_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("decoded, query dropped after a known extension")
            << "http://h/a/M%C3%A4dchen-Gr%C3%B6%C3%9Fe.SWF?x=1"
            << QString::fromUtf8("Mädchen-Größe.SWF");
        QTest::newRow("query kept otherwise, no slash") << "http://h/get.php?id=3&a=/b"
                                                        << "get.php?id=3&a=_b";
        QTest::newRow("encoded slash and dots stay in the folder") << "http://h/a%2F..%2Fb.swf"
                                                                   << "a_.._b.swf";
        QTest::newRow("dot-dot segment") << "http://h/a/%2E%2E"
                                         << "_";
        QTest::newRow("outside Windows-1252 stays encoded")
            << "http://h/%E6%97%A5-%C3%A4.swf" << QString::fromUtf8("%E6%97%A5-ä.swf");
        QTest::newRow("not UTF-8 stays encoded") << "http://h/%E4.swf"
                                                 << "%E4.swf";
        QTest::newRow("folder") << "http://h/dir/"
                                << "";
    }

    void saveName() {
        QFETCH(QString, url);
        QTEST(SearchUrl::SaveName(QUrl(url)), "name");
    }

    void fileNames_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        row("movie", "http://h/a/intro.swf", "intro.swf", "swf");
        row("backslash", "http://h/a\\b.SWF", "b.SWF", "SWF");
        row("directory", "http://h/a/", "", "http://h/a/");
        row("no slash, no dot", "intro", "", "intro");
        row("dot in folder", "http://h/a.b/page", "page", "b/page");
    }

    void fileNames() {
        QFETCH(QString, url);
        QTEST(FileNameFromUrl(url), "name");
        QTEST(FileExtension(url), "extension");
    }

    void request_isByteExact() {
        // The plain and proxy forms are checked on the wire in tst_downhtml.
        SearchJobRecord rec;
        rec.Url = QStringLiteral("https://h/a/p.htm");
        rec.UseProxy = -1;
        QVERIFY(SearchUrl::ParseSearchUrl(rec));
        QCOMPARE(
            SearchUrl::RequestText(rec),
            QByteArray("GET /a/p.htm HTTP/1.1\r\nAccept: */*\r\nAccept-Encoding: gzip, deflate, "
                       "br\r\nUser-Agent: MoorQuill1.0\r\nHost: h\r\nConnection: "
                       "close\r\n\r\n"));
    }
};

QTEST_APPLESS_MAIN(tst_SearchUrl)
#include "tst_searchurl.moc"
