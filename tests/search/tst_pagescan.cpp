#include "search/PageScan.h"

#include "common/FaultHttpServer.h"

#include <QTest>

namespace {
using Find = PageScan::Find;

// "M:addr" for a movie, "L:addr" for a link, in scan order.
QStringList describe(const QVector<Find> &finds) {
    QStringList out;
    for (const Find &f : finds)
        out << QString::fromLatin1((f.kind == Find::Movie ? "M:" : "L:") + f.address);
    return out;
}

const QByteArray kObjectOpen = "<OBJECT classid=\"clsid:D27CDB6E\" "
                               "codebase=\"http://download.macromedia.com/pub/swflash.cab\">";
} // namespace

class tst_PageScan : public QObject {
    Q_OBJECT
private slots:
    void scan_data() {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<int>("phases");
        QTest::addColumn<QStringList>("finds");
        const int all = PageScan::All, movies = PageScan::Objects | PageScan::Embeds;
        const auto row = [](const char *tag, const QByteArray &page, int phases,
                            const QStringList &finds) {
            QTest::newRow(tag) << page << phases << finds;
        };
        row("object with quotes, embed inside found again",
            kObjectOpen + "<PARAM NAME=movie VALUE=\"intro.swf\"><EMBED src=\"intro.swf\" "
                          "type=\"application/x-shockwave-flash\"></EMBED></OBJECT>",
            movies, {"M:intro.swf", "M:intro.swf"});
        row("object without quotes", kObjectOpen + "<param name=movie value=intro.swf></object>",
            movies, {"M:intro.swf"});
        row("first VALUE= of another parameter",
            kObjectOpen + "<PARAM NAME=quality VALUE=high><PARAM NAME=movie VALUE=m.swf></OBJECT>",
            movies, {"M:high"});
        row("single quotes removed inside", kObjectOpen + "<param value='a'b\"c.swf'></object>",
            movies, {"M:abc.swf"});
        row("object without .macromedia. skipped",
            QByteArray("<object classid=x codebase=http://other/><param value=a.swf></object>"),
            movies, {});
        row("object without closing ends the object scan", kObjectOpen + "<param value=a.swf>",
            movies, {});
        row("object without VALUE= skipped, next taken",
            kObjectOpen + "</object>" + kObjectOpen + "<param value=b.swf></object>", movies,
            {"M:b.swf"});
        row("tag names any case",
            QByteArray("<oBjEcT ClAsSiD=x .MacroMedia.><Param vAlUe=u.swf></ObJeCt>"), movies,
            {"M:u.swf"});
        row("embed without closing after it ends the embed scan",
            QByteArray("<embed src=x.swf flash></embed><embed src=y.swf type=flash>"), movies,
            {"M:x.swf"});
        row("unclosed embed spans to the next closing",
            QByteArray("<embed src=a.swf type=flash><embed src=b.swf type=flash></embed>"), movies,
            {"M:a.swf", "M:b.swf"});
        row("embed without flash or src skipped",
            QByteArray("<embed src=a.swf></embed><embed flash></embed><embed SRC=c.swf "
                       "type=FLASH></EMBED>"),
            movies, {"M:c.swf"});
        row("objects before embeds",
            QByteArray("<embed src=e.swf flash></embed>") + kObjectOpen +
                "<param value=o.swf></object>",
            movies, {"M:o.swf", "M:e.swf"});
        row("CR LF becomes a blank", kObjectOpen + "<param value=a.swf\r\nname=x></object>", movies,
            {"M:a.swf"});
        row("anchors with and without HREF=, .swf anchors",
            QByteArray("<a href=\"x.htm\">x</a><A HREF=y.htm title=z><a name=top>"
                       "<a href='m.swf'>"),
            all, {"L:x.htm", "L:y.htm", "L:", "L:m.swf"});
        row("links need the link phase", QByteArray("<a href=x.htm>"), movies, {});
        row("<A inside an open anchor does not restart it", QByteArray("<a <a href=x>"), all,
            {"L:x"});
        row("anchor that never closes", QByteArray("<a href=x"), all, {});
        row("other tags starting with a count", QByteArray("<abbr><area href=m.htm>"), all,
            {"L:", "L:m.htm"});
        row("CR LF inside an anchor", QByteArray("<a\r\nhref=x>"), all, {"L:x"});
        row("bytes above 0x7f and NUL kept", QByteArray("<a href=\xe9\0x.htm>", 16), all,
            {QString::fromLatin1(QByteArray("L:\xe9\0x.htm", 9))});
        row("VALUE= at the very end", kObjectOpen + "<param value=", movies, {});
        row("VALUE= right before the closing", kObjectOpen + "<param value=</object>", movies,
            {"M:</object"});
    }

    void scan() {
        QFETCH(QByteArray, page);
        QFETCH(int, phases);
        QTEST(describe(PageScan::scanAll(page, phases)), "finds");
    }

    void getHref_data() {
        QTest::addColumn<QByteArray>("tag");
        QTest::addColumn<QByteArray>("link");
        QTest::newRow("up to the blank")
            << QByteArray("<a href=\"x.htm\" id=1>") << QByteArray("x.htm");
        QTest::newRow("up to the tag's end") << QByteArray("<a href=x.htm>") << QByteArray("x.htm");
        QTest::newRow("no HREF=") << QByteArray("<a name=x>") << QByteArray();
        QTest::newRow("empty value") << QByteArray("<a href=>") << QByteArray();
        QTest::newRow("any case") << QByteArray("<A hReF=Y.HTM>") << QByteArray("Y.HTM");
    }

    void getHref() {
        QFETCH(QByteArray, tag);
        QTEST(PageScan::GetHref(tag), "link");
    }

    void hostilePages_neverHangOrCrash_data() {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<int>("maxFinds");
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("lone <") << QByteArray("<") << 0;
        QTest::newRow("lone <a") << QByteArray("<a") << 0;
        QTest::newRow("100,000 anchors") << QByteArray("<a href=x.htm>").repeated(100000) << 100000;
        QTest::newRow("100,000 unclosed objects")
            << (kObjectOpen + "<param value=m.swf>").repeated(100000) << 0;
        QTest::newRow("objects sharing one closing")
            << (kObjectOpen + "value=").repeated(50000) + "</object>" << 50000;
        QTest::newRow("embeds sharing one endless address")
            << QByteArray("<embedsrc=").repeated(400000) + "flash</embed>" << 400000;
        QTest::newRow("quote soup") << QByteArray("\"'<a href=\"'").repeated(100000) << 0;
        QTest::newRow("noise") << FaultHttpServer::pattern(2 * 1024 * 1024) << 100000;
        QTest::newRow("NUL bytes") << QByteArray(1 << 20, '\0') << 0;
    }

    void hostilePages_neverHangOrCrash() {
        QFETCH(QByteArray, page);
        QFETCH(int, maxFinds);
        const QVector<Find> finds = PageScan::scanAll(page, PageScan::All);
        QVERIFY(finds.size() <= maxFinds);
        for (const Find &f : finds)
            QVERIFY(f.address.size() <= PageScan::kMaxAddress);
    }
};

QTEST_APPLESS_MAIN(tst_PageScan)
#include "tst_pagescan.moc"
