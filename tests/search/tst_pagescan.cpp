// The page scan (markup, scripts, character references, page text, hostile
// pages, the page corpus) and the address rules of a search.
#include "PageCorpus.h"
#include "common/TestRows.h"
#include "search/CharRefs.h"
#include "search/PageScan.h"
#include "search/PageText.h"
#include "search/SearchJobRecord.h"
#include "search/SearchUrl.h"

#include <QTest>

namespace {
using Find = PageScan::Find;
const QString kSite = QStringLiteral("http://pages.test/site/");

// "M addr" for a movie, "F addr" for a frame, "L addr" for a link, in scan order.
QStringList describe(const QVector<Find> &finds, const QString &strip = kSite) {
    QStringList out;
    for (const Find &f : finds)
        out << QStringLiteral("MLF").at(int(f.kind) - 1) + QLatin1Char(' ') +
                   QString(f.address).replace(strip, QString());
    return out;
}

QVector<Find> scan(const QString &page, int phases = PageScan::All) {
    return PageScan::scanAll(page, QUrl(kSite + QStringLiteral("p.htm")), phases);
}
} // namespace

class tst_PageScan : public QObject {
    Q_OBJECT
private slots:
    void corpus_data() {
        QTest::addColumn<QString>("page");
        for (const QString &page : PageCorpus::pages())
            QTest::newRow(qPrintable(page)) << page;
        QVERIFY(PageCorpus::pages().size() >= 15);
    }

    // Each page of markup as real sites wrote it gives exactly the movies a
    // person expects, with their file names.
    void corpus() {
        QFETCH(QString, page);
        const QVector<Find> finds =
            PageScan::scanAll(PageText::Decode(PageCorpus::bytes(page)), QUrl(kSite + page),
                              PageScan::Movies | PageScan::Frames);
        QStringList got;
        for (const Find &f : finds)
            got << QString(f.kind == Find::Movie ? "movie " : "frame ") + f.address +
                       QLatin1Char(' ') + SearchUrl::SaveName(QUrl(f.address));
        QCOMPARE(got, PageCorpus::expected(page, kSite));
    }

    void markup_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("finds");
        const auto row = [](const char *tag, const QString &page, const QStringList &finds) {
            QTest::newRow(tag) << page << finds;
        };
        row("any quoting and order", "<embed type='application/x-shockwave-flash' src=a.swf>",
            {"M a.swf"});
        row("unquoted value takes a slash", "<embed src=a.swf/><embed src=b.swf>", {"M b.swf"});
        row("no = before the value", "<embed src type=application/x-shockwave-flash a.swf>", {});
        row("tag cut off by the end", "<embed src=a.swf type=application/x-shockwave-flash", {});
        row("comment forms",
            "<!--><embed src=a.swf><!-- x --!><embed src=b.swf><!-- <embed src=c.swf>",
            {"M a.swf", "M b.swf"});
        row("doctype, processing instruction, </ >",
            "<!DOCTYPE html><?xml x='>'?></ x><embed src=a.swf>", {"M a.swf"});
        row("raw text ends at its own end tag only",
            "<textarea></text><embed src=a.swf></TEXTAREA ><embed src=b.swf>", {"M b.swf"});
        row("script with src not read", "<script src=x.js>'a.swf'</script>'b.swf'", {});
        row("script end tag in any case", "<script>'a.swf'</SCRIPT><script>'b.swf'",
            {"M a.swf", "M b.swf"});
        row("links after movies, page order, duplicates kept",
            "<a href=x.htm><embed src=m.swf><a href='x.htm'><area href=y.htm>",
            {"M m.swf", "L x.htm", "L x.htm", "L y.htm"});
        row("anchor without href links the page; other schemes dropped",
            "<a name=top><a href='mailto:x@y'><a href='#top'><a href=' javascript:x'>",
            {"L p.htm", "L p.htm"});
        row("linked movie stays a link", "<a href=m.swf>", {"L m.swf"});
        row("same movie once, in page order",
            "<embed src=b.swf><object data=a.swf></object><embed src=./b.swf>",
            {"M b.swf", "M a.swf"});
        row("param of another plug-in",
            "<object classid='clsid:6BF52A52'><param name=src value=a.wmv></object>", {});
        row("frames", "<frameset><frame src=f.htm><frame src=F.htm><frame src=f.htm></frameset>",
            {"F f.htm", "F F.htm"});
    }

    void markup() {
        QFETCH(QString, page);
        QTEST(describe(scan(page)), "finds");
    }

    void scripts_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("finds");
        const auto row = [](const char *tag, const QString &script, const QStringList &finds) {
            QTest::newRow(tag) << script << finds;
        };
        row("escapes decoded", R"("a\u00e4\x62\/c.swf")", {"M a%C3%A4b/c.swf"});
        row("template literal", "`x.swf`", {"M x.swf"});
        row("quote in a comment or regex opens no string",
            "// don't\n/* it's */ x = /'/.test(s) ? 'a.swf' : \"b.swf\";", {"M a.swf", "M b.swf"});
        row("division is no regex", "n = a / 2; s = 'a.swf'; t = b / 4;", {"M a.swf"});
        row("string ends at a line break", "s = 'open\n'a.swf'", {"M a.swf"});
        row("embedSWF's first argument whatever its name",
            "swfobject.embedSWF('player.php?id=1', 'd', '1', '1', '9', 'xi.swf', {f: 'v.swf'}, "
            "{menu: 'm.swf'})",
            {"M player.php?id=1", "M m.swf"});
        row("AC_FL_RunContent adds .swf before the query",
            "AC_FL_RunContent('src', 'm?x=1', 'flashvars', 'a.swf', 'movie', 'n.swf')",
            {"M m.swf?x=1", "M n.swf"});
        row("flashvars statement ends at ;", "flashvars.a = 'a.swf'; b = 'b.swf';", {"M b.swf"});
        row("too long a string is no address", "'" + QString(5000, 'a') + ".swf' 'b.swf'",
            {"M b.swf"});
    }

    void scripts() {
        QFETCH(QString, script);
        QTEST(describe(scan("<script>" + script + "</script>")), "finds");
    }

    void charRefs_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("decoded");
        row("amp in a query", "a.swf?x=1&amp;y=2", "a.swf?x=1&y=2");
        row("old name without ; before text", "&auml &aumlx &copy=2 &copy;",
            QString::fromUtf8("ä &aumlx &copy=2 ©"));
        row("name needing ;", "&euro &euro;", QString::fromUtf8("&euro €"));
        row("numbers", "&#228;&#xE4&#X41;&#128;&#0;&#x110000;&#xD800;&#;&#x;",
            QString::fromUtf8("ääA€\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd&#;&#x;"));
        row("huge number", "&#99999999999999999999;", QString::fromUtf8("\xef\xbf\xbd"));
        row("unknown and lone", "&bogus; & &;", "&bogus; & &;");
    }

    void charRefs() {
        QFETCH(QString, value);
        QTEST(CharRefs::DecodeAttribute(value), "decoded");
    }

    void pageText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<QString>("text");
        const QByteArray none;
        row("UTF-8", QByteArray("K\xc3\xa4se"), none, QString::fromUtf8("Käse"));
        row("not UTF-8: Windows-1252", QByteArray("K\xe4se \x80"), none,
            QString::fromUtf8("Käse €"));
        row("latin1 label read as Windows-1252", QByteArray("\x93x\x94"), QByteArray("ISO-8859-1"),
            QString::fromUtf8("“x”"));
        row("BOM", QByteArray("\xef\xbb\xbfx"), none, "x");
    }

    void pageText() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, charset);
        QTEST(PageText::Decode(bytes, charset), "text");
    }

    // Hostile pages are read in linear time and bounded memory and give no
    // address outside http and https.
    void hostilePages_data() {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<int>("maxFinds");
        const QByteArray flash = " type=application/x-shockwave-flash";
        QTest::newRow("64 MiB, a million attributes")
            << "<embed src=m.swf" + flash +
                   QByteArray(" data-x=\"" + QByteArray(56, 'v') + '"').repeated(1000000) + ">"
            << 1;
        QTest::newRow("unclosed quote") << "<embed src=\"" + QByteArray(8 << 20, 'x') << 0;
        QTest::newRow("unclosed tags") << QByteArray("<a <embed <object ").repeated(500000) << 0;
        QTest::newRow("nested objects")
            << QByteArray("<object>").repeated(500000) + "<param name=movie value=deep.swf>" +
                   QByteArray("</object>").repeated(500000)
            << 1;
        QTest::newRow("10 MB of script strings")
            << "<script>" + QByteArray("'a.swf', \"b\\\"\", embedSWF(`").repeated(400000) << 2;
        QTest::newRow("unclosed comment")
            << "<!--" + QByteArray("<embed src=a.swf>").repeated(500000) << 0;
        QTest::newRow("references") << "<embed" + flash + " src=\"" +
                                           QByteArray("&#99999999999;&amp").repeated(250000) + "\">"
                                    << 0;
        QTest::newRow("javascript base")
            << "<base href='javascript:x'><embed src=a.swf" + flash + ">" << 1;
    }

    void hostilePages() {
        QFETCH(QByteArray, page);
        QFETCH(int, maxFinds);
        const QVector<Find> finds = PageScan::scanAll(PageText::Decode(page), QUrl(kSite));
        QVERIFY(finds.size() <= maxFinds);
        for (const Find &f : finds)
            QVERIFY2(f.address.startsWith(kSite), qPrintable(f.address.left(100)));
    }
    void parse_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("proxy");
        QTest::addColumn<QString>("storedUrl");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("requestPath");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("fileName");
        // Refused: the record keeps its fields.
        const auto bad = [](const char *tag, const QString &url) {
            QTest::newRow(tag) << url << false << QString() << QString() << 0 << QString()
                               << QString() << QString();
        };
        bad("no scheme", "www.h.com/a");
        bad("upper-case scheme", "HTTP://h/");
        bad("ftp", "ftp://h/a.swf");
        bad("https not at the start", "see https://h/");
        bad("https, empty host", "https:///a");
        bad("empty host", "http:///a");
        bad("port zero", "http://h:0/");
        bad("port too large", "http://h:65536/");
        bad("port not a number", "http://h:x/");
        bad("empty", "");
        row("scheme and host only", "http://h", false, "http://h/", "h", 80, "/", "/", "");
        row("page in a folder", "http://h/a/b/p.htm?x=1", false, "http://h/a/b/p.htm?x=1", "h", 80,
            "/a/b/p.htm?x=1", "/a/b/", "p.htm?x=1");
        row("port stays in Host and is dialled", "http://h:8080/a/", false, "http://h:8080/a/",
            "h:8080", 8080, "/a/", "/a/", "");
        row("proxy form", "http://h:81/x/y.html", true, "http://h:81/x/y.html", "h:81", 81,
            "http://h:81/x/y.html", "/x/", "y.html");
        row("query with slash", "http://h/p?u=/q/r", false, "http://h/p?u=/q/r", "h", 80,
            "/p?u=/q/r", "/p?u=/q/", "r");
        row("https, port 443", "https://h", false, "https://h/", "h", 443, "/", "/", "");
        row("request target percent-encoded", QString::fromUtf8("http://h/my page/Mä.htm"), false,
            QString::fromUtf8("http://h/my page/Mä.htm"), "h", 80, "/my%20page/M%C3%A4.htm",
            "/my page/", QString::fromUtf8("Mä.htm"));
        row("https through a tunnel: the path alone", "https://h:8443/x/y.html", true,
            "https://h:8443/x/y.html", "h:8443", 8443, "/x/y.html", "/x/", "y.html");
    }

    void parse() {
        QFETCH(QString, url);
        QFETCH(bool, proxy);
        QFETCH(QString, storedUrl);
        SearchJobRecord rec;
        rec.Url = url;
        rec.UseProxy = proxy ? -1 : 0;
        rec.Host = QStringLiteral("before");
        QString error;
        QCOMPARE(SearchUrl::ParseSearchUrl(rec, &error), !storedUrl.isEmpty());
        QCOMPARE(error.isEmpty(), !storedUrl.isEmpty());
        QCOMPARE(rec.Url, storedUrl.isEmpty() ? url : storedUrl);
        if (storedUrl.isEmpty()) QCOMPARE(rec.Host, QStringLiteral("before"));
        if (storedUrl.isEmpty()) return;
        QTEST(rec.Host, "host");
        QTEST(int(rec.portNumber()), "port");
        QTEST(rec.RequestPath, "requestPath");
        QTEST(rec.Directory, "directory");
        QTEST(rec.FileName, "fileName");
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
        row("decoded, query dropped after a known extension",
            "http://h/a/M%C3%A4dchen-Gr%C3%B6%C3%9Fe.SWF?x=1",
            QString::fromUtf8("Mädchen-Größe.SWF"));
        row("query kept otherwise, no slash", "http://h/get.php?id=3&a=/b", "get.php?id=3&a=_b");
        row("encoded slash and dots stay in the folder", "http://h/a%2F..%2Fb.swf", "a_.._b.swf");
        row("dot-dot segment", "http://h/a/%2E%2E", "_");
        row("outside Windows-1252 stays encoded", "http://h/%E6%97%A5-%C3%A4.swf",
            QString::fromUtf8("%E6%97%A5-ä.swf"));
        row("not UTF-8 stays encoded", "http://h/%E4.swf", "%E4.swf");
        row("folder", "http://h/dir/", "");
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

QTEST_APPLESS_MAIN(tst_PageScan)
#include "tst_pagescan.moc"
