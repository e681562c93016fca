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
    void scan_data();
    void scan();
    void getHref_data();
    void getHref();
    void hostilePages_neverHangOrCrash_data();
    void hostilePages_neverHangOrCrash();
};

void tst_PageScan::scan_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("phases");
    QTest::addColumn<QStringList>("finds");
    const int all = PageScan::All, movies = PageScan::Objects | PageScan::Embeds;

    QTest::newRow("object with quotes, embed inside found again")
        << kObjectOpen + "<PARAM NAME=movie VALUE=\"intro.swf\"><EMBED src=\"intro.swf\" "
                         "type=\"application/x-shockwave-flash\"></EMBED></OBJECT>"
        << movies << QStringList{"M:intro.swf", "M:intro.swf"};
    QTest::newRow("object without quotes")
        << kObjectOpen + "<param name=movie value=intro.swf></object>" << movies
        << QStringList{"M:intro.swf"};
    QTest::newRow("first VALUE= of another parameter")
        << kObjectOpen + "<PARAM NAME=quality VALUE=high><PARAM NAME=movie VALUE=m.swf></OBJECT>"
        << movies << QStringList{"M:high"};
    QTest::newRow("single quotes removed inside")
        << kObjectOpen + "<param value='a'b\"c.swf'></object>" << movies
        << QStringList{"M:abc.swf"};
    QTest::newRow("object without .macromedia. skipped")
        << QByteArray("<object classid=x codebase=http://other/><param value=a.swf></object>")
        << movies << QStringList{};
    QTest::newRow("object without closing ends the object scan")
        << kObjectOpen + "<param value=a.swf>" << movies << QStringList{};
    QTest::newRow("object without VALUE= skipped, next taken")
        << kObjectOpen + "</object>" + kObjectOpen + "<param value=b.swf></object>" << movies
        << QStringList{"M:b.swf"};
    QTest::newRow("tag names any case")
        << QByteArray("<oBjEcT ClAsSiD=x .MacroMedia.><Param vAlUe=u.swf></ObJeCt>") << movies
        << QStringList{"M:u.swf"};
    QTest::newRow("embed without closing after it ends the embed scan")
        << QByteArray("<embed src=x.swf flash></embed><embed src=y.swf type=flash>") << movies
        << QStringList{"M:x.swf"};
    QTest::newRow("unclosed embed spans to the next closing")
        << QByteArray("<embed src=a.swf type=flash><embed src=b.swf type=flash></embed>") << movies
        << QStringList{"M:a.swf", "M:b.swf"};
    QTest::newRow("embed without flash or src skipped")
        << QByteArray("<embed src=a.swf></embed><embed flash></embed><embed SRC=c.swf "
                      "type=FLASH></EMBED>")
        << movies << QStringList{"M:c.swf"};
    QTest::newRow("objects before embeds") << QByteArray("<embed src=e.swf flash></embed>") +
                                                  kObjectOpen + "<param value=o.swf></object>"
                                           << movies << QStringList{"M:o.swf", "M:e.swf"};
    QTest::newRow("CR LF becomes a blank") << kObjectOpen + "<param value=a.swf\r\nname=x></object>"
                                           << movies << QStringList{"M:a.swf"};
    QTest::newRow("anchors with and without HREF=, .swf anchors")
        << QByteArray("<a href=\"x.htm\">x</a><A HREF=y.htm title=z><a name=top>"
                      "<a href='m.swf'>")
        << all << QStringList{"L:x.htm", "L:y.htm", "L:", "L:m.swf"};
    QTest::newRow("links need the link phase")
        << QByteArray("<a href=x.htm>") << movies << QStringList{};
    QTest::newRow("<A inside an open anchor does not restart it")
        << QByteArray("<a <a href=x>") << all << QStringList{"L:x"};
    QTest::newRow("anchor that never closes") << QByteArray("<a href=x") << all << QStringList{};
    QTest::newRow("other tags starting with a count")
        << QByteArray("<abbr><area href=m.htm>") << all << QStringList{"L:", "L:m.htm"};
    QTest::newRow("CR LF inside an anchor")
        << QByteArray("<a\r\nhref=x>") << all << QStringList{"L:x"};
    QTest::newRow("bytes above 0x7f and NUL kept")
        << QByteArray("<a href=\xe9\0x.htm>", 16) << all
        << QStringList{QString::fromLatin1(QByteArray("L:\xe9\0x.htm", 9))};
    QTest::newRow("VALUE= at the very end")
        << kObjectOpen + "<param value=" << movies << QStringList{};
    QTest::newRow("VALUE= right before the closing")
        << kObjectOpen + "<param value=</object>" << movies << QStringList{"M:</object"};
}

void tst_PageScan::scan() {
    QFETCH(QByteArray, page);
    QFETCH(int, phases);
    QTEST(describe(PageScan::scanAll(page, phases)), "finds");
}

void tst_PageScan::getHref_data() {
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<QByteArray>("link");
    QTest::newRow("up to the blank")
        << QByteArray("<a href=\"x.htm\" id=1>") << QByteArray("x.htm");
    QTest::newRow("up to the tag's end") << QByteArray("<a href=x.htm>") << QByteArray("x.htm");
    QTest::newRow("no HREF=") << QByteArray("<a name=x>") << QByteArray();
    QTest::newRow("empty value") << QByteArray("<a href=>") << QByteArray();
    QTest::newRow("any case") << QByteArray("<A hReF=Y.HTM>") << QByteArray("Y.HTM");
}

void tst_PageScan::getHref() {
    QFETCH(QByteArray, tag);
    QTEST(PageScan::GetHref(tag), "link");
}

void tst_PageScan::hostilePages_neverHangOrCrash_data() {
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

void tst_PageScan::hostilePages_neverHangOrCrash() {
    QFETCH(QByteArray, page);
    QFETCH(int, maxFinds);
    const QVector<Find> finds = PageScan::scanAll(page, PageScan::All);
    QVERIFY(finds.size() <= maxFinds);
    for (const Find &f : finds)
        QVERIFY(f.address.size() <= PageScan::kMaxAddress);
}

QTEST_APPLESS_MAIN(tst_PageScan)
#include "tst_pagescan.moc"
