#include "browser/PageMovies.h"
#include "session/FoundMovieList.h"

#include <QtTest>

namespace {
PageElement object(const QString &movie, const QString &src, const QString &html) {
    return PageElement{QStringLiteral("OBJECT"), movie, src, html};
}
PageElement embed(const QString &src, const QString &html = {}) {
    return PageElement{QStringLiteral("embed"), {}, src, html};
}
} // namespace

class TestPageMovies : public QObject {
    Q_OBJECT
private slots:
    void pageUrls_data() {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("root");
        const auto row = [](const char *tag, const char *document, const char *dir,
                            const char *root) { QTest::newRow(tag) << document << dir << root; };
        row("page in sub-directory", "http://site.test/a/b/page.html", "http://site.test/a/b/",
            "http://site.test/");
        row("ends in slash", "http://site.test/a/", "http://site.test/a/", "http://site.test/");
        row("host only", "http://site.test", "http://", "");
        row("short host, slash at 8th character", "http://x/p.html", "http://x/", "http://x/");
        row("https root behind the host", "https://site.test/a/p.html", "https://site.test/a/",
            "https://site.test/");
        row("https host only", "https://site.test", "https://", "");
        row("query with slash", "http://site.test/p.php?u=/x/y", "http://site.test/p.php?u=/x/",
            "http://site.test/");
    }
    void pageUrls() {
        QFETCH(QString, document);
        QFETCH(QString, dir);
        QFETCH(QString, root);
        QCOMPARE(PageMovies::PageDirUrl(document) + ' ' + PageMovies::PageRootUrl(document),
                 dir + ' ' + root);
    }
    void scan_data() {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QVector<PageElement>>("elements");
        QTest::addColumn<QStringList>("found");
        const auto row = [](const char *tag, const QString &document,
                            const QVector<PageElement> &elements, const QStringList &found) {
            QTest::newRow(tag) << document << elements << found;
        };
        const QString page = QStringLiteral("http://site.test/games/play.html");
        const QString m = "http://site.test/games/m.swf";
        row("object with embed inside listed twice", page,
            {object("m.swf", {},
                    "<object><param name=movie value=m.swf><embed src=m.swf></object>"),
             embed("m.swf")},
            {m, m});
        row("objects before embeds", page, {embed("e.swf"), object("o.swf", {}, "<object>")},
            {"http://site.test/games/o.swf", "http://site.test/games/e.swf"});
        row("root-relative and bare names", page, {embed("/swf/a.swf"), embed("b.SWF")},
            {"http://site.test/swf/a.swf", "http://site.test/games/b.SWF"});
        row("movie attribute wins over src", page,
            {object("http://cdn.test/x.swf", "y.swf", "<object>")}, {"http://cdn.test/x.swf"});
        row("flash without movie or src gives nothing", page,
            {object({}, {}, "<OBJECT classid=x codebase=\"FLASH.cab\">")}, {});
        row("neither swf nor flash", page, {object("v.mp4", {}, "<object>"), embed("a.mid")}, {});
        row("host-only page: root-relative loses its slash", "http://site.test",
            {embed("/m/a.swf")}, {"m/a.swf"});
        row("https page scanned, https movie kept", "https://site.test/p.html",
            {embed("https://cdn.test/a.swf"), embed("/b.swf")},
            {"https://cdn.test/a.swf", "https://site.test/b.swf"});
        row("upper-case scheme", "HTTP://SITE.TEST/p.html", {embed("a.swf")},
            {"HTTP://SITE.TEST/a.swf"});
        row("file page not scanned", "file:///home/u/p.html", {embed("a.swf")}, {});
        row("other tags ignored", page, {PageElement{"APPLET", {}, "a.swf", "flash"}}, {});
    }
    void scan() {
        QFETCH(QString, document);
        QFETCH(QVector<PageElement>, elements);
        QFETCH(QStringList, found);
        QCOMPARE(PageMovies::scanPage(PageScanResult{document, elements}), found);
    }
    void hostileElements() {
        // Any length and any text: the list is capped, nothing breaks.
        const QString huge(1 << 20, QChar(0xfffd));
        QVector<PageElement> elements{
            PageElement{"EMBED", {}, huge + ".swf", huge},
            PageElement{QString(1 << 16, QLatin1Char('O')), "x.swf", {}, {}},
            PageElement{"OBJECT", QString(QChar(0)) + ".swf", {}, {}}};
        elements +=
            QVector<PageElement>(PageMovies::kMaxMovies, PageElement{"EMBED", {}, "a.swf", {}});
        const QStringList found = PageMovies::scanPage(PageScanResult{"http://a.test/", elements});
        QCOMPARE(found.size(), PageMovies::kMaxMovies);
        QCOMPARE(found.at(0), QString("http://a.test/") + QChar(0) + ".swf");
        QCOMPARE(found.at(1).size(), 14 + huge.size() + 4);
    }
    void storeScanReplacesList() {
        FoundMovieList scan;
        scan.FoundMovies = QStringList{"old"};
        scan.FoundCount = 1;
        QCOMPARE(PageMovies::storeScan(scan, {"http://a.test/p", {embed("x.swf"), embed("y.swf")}}),
                 2);
        QCOMPARE(scan.FoundMovies, (QStringList{"http://a.test/x.swf", "http://a.test/y.swf"}));
        QCOMPARE(PageMovies::storeScan(scan, {"about:blank", {embed("x.swf")}}), 0);
        QVERIFY(scan.FoundMovies.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPageMovies)
#include "tst_pagemovies.moc"
