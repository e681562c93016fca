// The hand-off text a browser sends: command word, fields in any order and
// case, missing separators, hostile sizes.
#include "browser/HandOffText.h"

#include <QtTest>

using HandOffText::parse;

class TestHandOffText : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void largeTextWithManySeparators();
};

void TestHandOffText::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("referer");
    const QString sep = "||**QTRVAN**||";
    QTest::newRow("down, fields in order")
        << "downmy_qtr_Url:=http://a.example/m.swf" + sep + "my_qtr_Info:=A movie" + sep +
               "my_qtr_Ref:=http://a.example/" + sep
        << 1 << "http://a.example/m.swf"
        << "A movie"
        << "http://a.example/";
    QTest::newRow("DOWN upper case, fields reversed")
        << "DOWN my_qtr_Ref:=http://p/" + sep + "my_qtr_Info:=t" + sep + "my_qtr_Url:=http://u/" +
               sep
        << 1 << "http://u/"
        << "t"
        << "http://p/";
    QTest::newRow("Search mixed case") << "Search my_qtr_Url:=http://s/" + sep << 2 << "http://s/"
                                       << ""
                                       << "";
    QTest::newRow("all gives mode 4")
        << "all my_qtr_Url:=http://x/" + sep + "my_qtr_Ref:=http://page/" + sep << 4 << "http://x/"
        << ""
        << "http://page/";
    QTest::newRow("field names and separator in any case")
        << "down MY_QTR_URL:=http://u/||**qtrvan**||My_Qtr_Info:=i||**QtrVan**||" << 1
        << "http://u/"
        << "i"
        << "";
    QTest::newRow("URL without separator is empty, the others are taken")
        << "down my_qtr_Info:=i" + sep + "my_qtr_Ref:=http://r/" + sep + "my_qtr_Url:=http://u/"
        << 1 << ""
        << "i"
        << "http://r/";
    QTest::newRow("a value runs to the next separator behind it")
        << "down my_qtr_Url:=" + sep + "my_qtr_Info:=x" + sep << 1 << ""
        << "x"
        << "";
    QTest::newRow("no command word: fields read, mode 0")
        << "open my_qtr_Url:=http://u/" + sep << 0 << "http://u/"
        << ""
        << "";
    QTest::newRow("command word must start the text")
        << " down my_qtr_Url:=http://u/" + sep << 0 << "http://u/"
        << ""
        << "";
    QTest::newRow("each word over its own length") << "alldown" << 4 << ""
                                                   << ""
                                                   << "";
    QTest::newRow("a word cut short does not match") << "sear" << 0 << ""
                                                     << ""
                                                     << "";
    QTest::newRow("empty text") << "" << 0 << ""
                                << ""
                                << "";
    QTest::newRow("first name wins, value may hold other names")
        << "down my_qtr_Url:=my_qtr_Info:=v" + sep + "my_qtr_Url:=second" + sep << 1
        << "my_qtr_Info:=v"
        << "v"
        << "";
    QTest::newRow("non-ASCII values kept")
        << QString::fromUtf8("down my_qtr_Info:=Фильм — 映画") + sep << 1 << ""
        << QString::fromUtf8("Фильм — 映画") << "";
}

void TestHandOffText::parse() {
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QString, url);
    QFETCH(QString, info);
    QFETCH(QString, referer);
    const HandOffText::Request r = HandOffText::parse(text);
    QCOMPARE(r.mode, mode);
    QCOMPARE(r.url, url);
    QCOMPARE(r.info, info);
    QCOMPARE(r.referer, referer);
}

void TestHandOffText::largeTextWithManySeparators() {
    // 1 MiB of near-misses and separators with the fields at the very end: a
    // parse that rescans from every separator or name would take minutes.
    QString text = QStringLiteral("all");
    const QString junk = QStringLiteral("my_qtr_Url||**QTRVAN*|my_qtr_Ref:||**QTRVAN**||");
    while (text.size() < (1 << 20))
        text += junk;
    text += QStringLiteral("my_qtr_Info:=end||**QTRVAN**||my_qtr_Url:=");
    text += QString(1 << 20, QLatin1Char('|')); // a URL whose separator never comes
    const HandOffText::Request r = HandOffText::parse(text);
    QCOMPARE(r.mode, 4);
    QCOMPARE(r.info, QStringLiteral("end"));
    QCOMPARE(r.url, QString());
    QCOMPARE(r.referer, QString());
}

QTEST_GUILESS_MAIN(TestHandOffText)
#include "tst_handofftext.moc"
