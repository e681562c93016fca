// The way from a hand-off to the new-job dialog, without a window: the text
// a browser sends (command word, fields in any order and case, missing
// separators, hostile sizes), Timer1's two ticks, the queue while the dialog
// is open, the drop window toggled for a minimised main window, and a
// waiting scan list going first.
#include "browser/HandOffFlow.h"
#include "browser/HandOffText.h"
#include "session/FoundMovieList.h"

#include <QtTest>

namespace {
QString handOff(const QString &word, const QString &url, const QString &info = {},
                const QString &ref = {}) {
    const QString sep = QStringLiteral("||**QTRVAN**||");
    return word + "my_qtr_Url:=" + url + sep + "my_qtr_Info:=" + info + sep + "my_qtr_Ref:=" + ref +
           sep;
}

// The flow with the main window's hooks recorded.
struct Rig {
    FoundMovieList scan;
    int mode = 1;
    HandOffFlow flow{scan, mode};
    QVector<HandOffDialog> opened;
    bool dialogOpen = false, minimised = false;
    int toggles = 0, togglesAtOpen = -1;
    QStringList text1AtOpen;
    Rig() {
        flow.dialogOpen = [this] { return dialogOpen; };
        flow.mainMinimised = [this] { return minimised; };
        flow.toggleTopWindow = [this] { ++toggles; };
        flow.openDialog = [this](const HandOffDialog &d) {
            opened << d;
            togglesAtOpen = toggles;
            text1AtOpen << flow.Text1();
        };
    }
};
} // namespace

class TestHandOffFlow : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("info");
        QTest::addColumn<QString>("referer");
        // "~" stands for the separator.
        const auto row = [](const char *tag, const char *text, int mode, const char *url,
                            const char *info, const char *referer) {
            QTest::newRow(tag) << QString::fromUtf8(text).replace("~", "||**QTRVAN**||") << mode
                               << url << QString::fromUtf8(info) << referer;
        };
        row("down, fields in order",
            "downmy_qtr_Url:=http://a/m.swf~my_qtr_Info:=A movie~my_qtr_Ref:=http://a/~", 1,
            "http://a/m.swf", "A movie", "http://a/");
        row("DOWN upper case, fields reversed",
            "DOWN my_qtr_Ref:=http://p/~my_qtr_Info:=t~my_qtr_Url:=http://u/~", 1, "http://u/", "t",
            "http://p/");
        row("Search mixed case", "Search my_qtr_Url:=http://s/~", 2, "http://s/", "", "");
        row("all gives mode 4", "all my_qtr_Url:=http://x/~my_qtr_Ref:=http://page/~", 4,
            "http://x/", "", "http://page/");
        row("field names and separator in any case",
            "down MY_QTR_URL:=http://u/||**qtrvan**||My_Qtr_Info:=i||**QtrVan**||", 1, "http://u/",
            "i", "");
        row("URL without separator is empty, the others are taken",
            "down my_qtr_Info:=i~my_qtr_Ref:=http://r/~my_qtr_Url:=http://u/", 1, "", "i",
            "http://r/");
        row("a value runs to the next separator behind it", "down my_qtr_Url:=~my_qtr_Info:=x~", 1,
            "", "x", "");
        row("no command word: fields read, mode 0", "open my_qtr_Url:=http://u/~", 0, "http://u/",
            "", "");
        row("command word must start the text", " down my_qtr_Url:=http://u/~", 0, "http://u/", "",
            "");
        row("each word over its own length", "alldown", 4, "", "", "");
        row("a word cut short does not match", "sear", 0, "", "", "");
        row("empty text", "", 0, "", "", "");
        row("first name wins, value may hold other names",
            "down my_qtr_Url:=my_qtr_Info:=v~my_qtr_Url:=second~", 1, "my_qtr_Info:=v", "v", "");
        row("non-ASCII values kept", "down my_qtr_Info:=Фильм — 映画~", 1, "", "Фильм — 映画", "");
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(int, mode);
        QFETCH(QString, url);
        QFETCH(QString, info);
        QFETCH(QString, referer);
        const HandOffText::Request r = HandOffText::parse(text);
        QCOMPARE((QStringList{QString::number(r.mode), r.url, r.info, r.referer}),
                 (QStringList{QString::number(mode), url, info, referer}));
    }
    void largeTextWithManySeparators() {
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

    void opensOnTheSecondTick_data() {
        QTest::addColumn<int>("startMode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("referer");
        QTest::addColumn<QString>("info");
        QTest::addColumn<bool>("minimised"); // the drop window is toggled first
        const QString u = "http://a.example/m.swf", r = "http://a.example/page.html", none;
        const QString down = handOff("down", u, "A movie", r);
        QTest::newRow("down") << 2 << down << 1 << u << r << "A movie" << false;
        QTest::newRow("main window minimised") << 2 << down << 1 << u << r << "A movie" << true;
        QTest::newRow("Search") << 1 << handOff("Search", r) << 2 << r << none << none << false;
        QTest::newRow("all") << 1 << handOff("all", "", "", r) << 4 << none << r << none << false;
        QTest::newRow("no command word: mode kept, nothing filled")
            << 2 << handOff("fetch", u, "x", r) << 2 << none << none << none << false;
    }
    void opensOnTheSecondTick() {
        QFETCH(int, startMode);
        QFETCH(QString, text);
        QFETCH(bool, minimised);
        Rig rig;
        rig.mode = startMode;
        rig.minimised = minimised;
        QCOMPARE(rig.flow.Timer1()->interval(), 100);
        QSignalSpy ticks(rig.flow.Timer1(), &QTimer::timeout);
        const QVector<HandOffLink> links{{"http://a.example/1.swf", "One"}};
        QVERIFY(rig.flow.receive({text, links, "sid=42;\r\nX-Evil: 1", " Browser/9.0\n"}));
        QCOMPARE(rig.flow.Text1(), text);
        QVERIFY(rig.flow.Timer1()->isActive());
        QTRY_COMPARE(rig.opened.size(), 1);
        QCOMPARE(ticks.size(), 2); // the first takes and clears Text1, the second opens
        QCOMPARE(rig.text1AtOpen, QStringList{""});
        const HandOffDialog &d = rig.opened[0];
        QTEST(d.mode, "mode");
        QTEST(rig.mode, "mode");
        QTEST(d.presetUrl, "url");
        QTEST(d.referer, "referer");
        QTEST(d.info, "info");
        QCOMPARE(d.links.size(), 1);
        QCOMPARE(d.links[0].text, QString("One"));
        // Line breaks in a header value would start a header of their own.
        QCOMPARE(d.cookies, QString("sid=42;X-Evil: 1"));
        QCOMPARE(d.userAgent, QString("Browser/9.0"));
        QVERIFY(!rig.flow.Timer1()->isActive());
        QCOMPARE(rig.togglesAtOpen, int(minimised));
        if (!minimised) QCOMPARE(rig.toggles, 0);
    }

    void waitsWhileTheDialogIsOpen() {
        Rig rig;
        QSignalSpy refused(&rig.flow, &HandOffFlow::refused);
        rig.dialogOpen = true; // opened from the menu
        QVERIFY(rig.flow.receive({handOff("down", "http://q/1.swf", "first"), {}, {}, {}}));
        rig.flow.receive({handOff("search", "http://q/page"), {}, {}, {}});
        for (int i = 0; i < HandOffFlow::kQueueLimit; ++i)
            rig.flow.receive({handOff("down", "http://q/more.swf"), {}, {}, {}});
        QCOMPARE(rig.flow.queued(), HandOffFlow::kQueueLimit);
        QCOMPARE(refused.size(), 2);
        // A text put straight into Text1 is taken, then waits for the dialog.
        QSignalSpy ticks(rig.flow.Timer1(), &QTimer::timeout);
        rig.flow.setText1(handOff("down", "http://q/direct.swf"));
        QTRY_COMPARE(ticks.size(), 2);
        QVERIFY(!rig.flow.Timer1()->isActive());
        QVERIFY(rig.opened.isEmpty());
        rig.dialogOpen = false;
        rig.flow.dialogClosed();
        // Text1 first, then the queue in arrival order.
        QTRY_COMPARE(rig.opened.size(), 3);
        QCOMPARE(rig.opened[0].presetUrl, QString("http://q/direct.swf"));
        QCOMPARE(rig.opened[1].info, QString("first"));
        QCOMPARE(rig.opened[2].mode, 2);
        QCOMPARE(rig.opened[2].presetUrl, QString("http://q/page"));
    }

    void waitingScanListShowsTheSaveDialogFirst() {
        Rig rig;
        int saveDialogs = 0;
        rig.flow.showSaveDialog = [&] {
            ++saveDialogs;
            rig.scan.FoundCount = 0; // the save dialog takes the list
        };
        rig.scan.FoundCount = 2;
        rig.flow.receive({handOff("down", "http://s/x.swf"), {}, {}, {}});
        QTRY_COMPARE(rig.opened.size(), 1);
        QCOMPARE(saveDialogs, 1);
        // The picker's hand-over alone shows only the save dialog.
        rig.scan.FoundCount = 1;
        rig.flow.Timer1()->start();
        QTRY_COMPARE(saveDialogs, 2);
        QTRY_VERIFY(!rig.flow.Timer1()->isActive());
        QCOMPARE(rig.opened.size(), 1);
    }

    void dropOpensWithTheTextInTheCurrentMode() {
        Rig rig;
        rig.mode = 2;
        rig.flow.drop("http://d.example/page.html");
        QTRY_COMPARE(rig.opened.size(), 1);
        QCOMPARE(rig.opened[0].mode, 2);
        QCOMPARE(rig.opened[0].presetUrl, QString("http://d.example/page.html"));
        QVERIFY(rig.opened[0].cookies.isEmpty());
    }
};

QTEST_MAIN(TestHandOffFlow)
#include "tst_handoffflow.moc"
