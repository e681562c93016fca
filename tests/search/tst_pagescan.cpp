#include "PageCorpus.h"

#include "search/CharRefs.h"
#include "search/PageScan.h"
#include "search/PageText.h"
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
        QTest::newRow("amp in a query") << "a.swf?x=1&amp;y=2"
                                        << "a.swf?x=1&y=2";
        QTest::newRow("old name without ; before text")
            << "&auml &aumlx &copy=2 &copy;" << QString::fromUtf8("ä &aumlx &copy=2 ©");
        QTest::newRow("name needing ;") << "&euro &euro;" << QString::fromUtf8("&euro €");
        QTest::newRow("numbers") << "&#228;&#xE4&#X41;&#128;&#0;&#x110000;&#xD800;&#;&#x;"
                                 << QString::fromUtf8(
                                        "ääA€\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd&#;&#x;");
        QTest::newRow("huge number")
            << "&#99999999999999999999;" << QString::fromUtf8("\xef\xbf\xbd");
        QTest::newRow("unknown and lone") << "&bogus; & &;"
                                          << "&bogus; & &;";
    }

    void charRefs() {
        QFETCH(QString, value);
        QTEST(CharRefs::DecodeAttribute(value), "decoded");
    }

    void pageText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << QByteArray("K\xc3\xa4se") << QByteArray()
                               << QString::fromUtf8("Käse");
        QTest::newRow("not UTF-8: Windows-1252")
            << QByteArray("K\xe4se \x80") << QByteArray() << QString::fromUtf8("Käse €");
        QTest::newRow("latin1 label read as Windows-1252")
            << QByteArray("\x93x\x94") << QByteArray("ISO-8859-1") << QString::fromUtf8("“x”");
        QTest::newRow("BOM") << QByteArray("\xef\xbb\xbfx") << QByteArray() << "x";
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
};

QTEST_APPLESS_MAIN(tst_PageScan)
#include "tst_pagescan.moc"
