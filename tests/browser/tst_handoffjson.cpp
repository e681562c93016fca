// The wire format between extension, host and program, and its framing.
#include "browser/HandOffJson.h"
#include "browser/MessageFrames.h"

#include <QtTest>

class tst_HandOffJson : public QObject {
    Q_OBJECT
private slots:
    void roundTrip() {
        const HandOffMessage sent{
            QStringLiteral("allmy_qtr_Url:=http://a.test/p?q=1&r=ü||**QTRVAN**||"),
            {{"http://a.test/1", "Eins \"1\""}, {"http://a.test/2", {}}},
            "a=1; b=2",
            "Mozilla/5.0 (X11; Linux x86_64)"};
        WireMessage got;
        QString reason;
        QVERIFY2(HandOffJson::read(HandOffJson::write(sent), &got, &reason), qPrintable(reason));
        QCOMPARE(got.type, QStringLiteral("handoff"));
        QCOMPARE(got.handOff.text, sent.text);
        QCOMPARE(got.handOff.links.size(), 2);
        QCOMPARE(got.handOff.links[0].url, sent.links[0].url);
        QCOMPARE(got.handOff.links[0].text, sent.links[0].text);
        QCOMPARE(got.handOff.cookies, sent.cookies);
        QCOMPARE(got.handOff.userAgent, sent.userAgent);

        QVERIFY(HandOffJson::read(HandOffJson::error(QStringLiteral("why")), &got, &reason));
        QCOMPARE(got.type, QStringLiteral("error"));
        QCOMPARE(got.message, QStringLiteral("why"));
    }
    void accepted_data();
    void accepted() {
        QFETCH(QByteArray, json);
        QFETCH(QString, type);
        QFETCH(QString, text);
        WireMessage got;
        QString reason;
        QVERIFY2(HandOffJson::read(json, &got, &reason), qPrintable(reason));
        QCOMPARE(got.type, type);
        QCOMPARE(got.handOff.text, text);
    }
    void refused_data();
    void refused() {
        QFETCH(QByteArray, json);
        QFETCH(QString, reason);
        WireMessage got;
        QString why;
        QVERIFY(!HandOffJson::read(json, &got, &why));
        QVERIFY2(why.contains(reason), qPrintable(why));
        QVERIFY(got.handOff.text.isEmpty());
    }
    // What the host, the program and the extension say about a page scan survives
    // the wire; a page near the limits is read whole.
    void scanMessages() {
        WireMessage got;
        QString reason;
        const auto read = [&](const QByteArray &json) {
            got = WireMessage();
            return HandOffJson::read(json, &got, &reason);
        };
        QVERIFY2(read(HandOffJson::registerPort(2147483647, "google-chrome")), qPrintable(reason));
        QCOMPARE(got.type, QStringLiteral("register"));
        QCOMPARE(got.pid, qint64(2147483647));
        QCOMPARE(got.browser, QStringLiteral("google-chrome"));

        const QString title = QStringLiteral("Movies \"1\" \u2014 Mozilla Firefox\n");
        QVERIFY(read(HandOffJson::scanRequest(9007199254740991LL, title)));
        QCOMPARE(got.type, QStringLiteral("scan"));
        QCOMPARE(got.id, 9007199254740991LL);
        QCOMPARE(got.title, title);

        PageScanResult page;
        page.documentUrl = QStringLiteral("http://h/d\u00e9/p.html");
        page.browser = QStringLiteral("chromium");
        for (int i = 0; i < HandOffJson::MaxElements; ++i)
            page.elements.append(
                {QStringLiteral("OBJECT"), QStringLiteral("m%1.swf").arg(i), QString(),
                 QStringLiteral("<object>\u00e9</object>").repeated(i == 0 ? 1 : 20)});
        page.elements[0].outerHtml = QString(HandOffJson::MaxTextChars, QChar(0x263A));
        const QByteArray result = HandOffJson::scanResult(12, page);
        QVERIFY(result.size() < HandOffJson::MaxBytes);
        QVERIFY2(read(result), qPrintable(reason));
        QCOMPARE(got.type, QStringLiteral("scanresult"));
        QCOMPARE(got.id, qint64(12));
        QVERIFY(got.found);
        QCOMPARE(got.page.documentUrl, page.documentUrl);
        QCOMPARE(got.page.elements.size(), HandOffJson::MaxElements);
        QCOMPARE(got.page.elements[0].outerHtml, page.elements[0].outerHtml);
        QCOMPARE(got.page.elements[999].movie, QStringLiteral("m999.swf"));
        QVERIFY(got.page.browser.isEmpty()); // the program knows the port's browser

        QVERIFY(read(HandOffJson::scanResult(13, std::nullopt)));
        QCOMPARE(got.id, qint64(13));
        QVERIFY(!got.found);
        QVERIFY(got.page.elements.isEmpty());

        page.elements.resize(1);
        QVERIFY(read(HandOffJson::scanPage(page)));
        QCOMPARE(got.type, QStringLiteral("scanpage"));
        QCOMPARE(got.page.browser, QStringLiteral("chromium"));
        QCOMPARE(got.page.elements[0].tagName, QStringLiteral("OBJECT"));
        QVERIFY(read(R"({"type":"listen"})"));
    }
    // A hand-off text near the limit, with thousands of separators, is read whole.
    void largestMessage() {
        HandOffMessage big;
        const QString field = QStringLiteral("my_qtr_Info:=x||**QTRVAN**||");
        big.text = QStringLiteral("down") + field.repeated(30000);
        const QByteArray json = HandOffJson::write(big);
        QVERIFY(json.size() > 800 * 1024 && json.size() <= HandOffJson::MaxBytes);
        WireMessage got;
        QVERIFY(HandOffJson::read(json, &got, nullptr));
        QCOMPARE(got.handOff.text, big.text);
    }
    void framesInPieces() {
        const QByteArray first = HandOffJson::show(), second = HandOffJson::ok();
        const QByteArray stream = MessageFrames::frame(first) + MessageFrames::frame(QByteArray()) +
                                  MessageFrames::frame(second);
        MessageFrames frames(HandOffJson::MaxBytes);
        QList<QByteArray> got;
        for (char byte : stream) { // one byte at a time: every split point
            frames.append(QByteArray(1, byte));
            QByteArray payload;
            while (frames.next(&payload) == MessageFrames::Next::Frame)
                got << payload;
        }
        QCOMPARE(got, (QList<QByteArray>{first, QByteArray(), second}));
        QCOMPARE(frames.pending(), 0);
        // The length is in the machine's own byte order.
        const quint32 length = quint32(first.size());
        QCOMPARE(MessageFrames::frame(first).left(4),
                 QByteArray(reinterpret_cast<const char *>(&length), 4));
    }
    void oversizedFrameIsSkipped() {
        MessageFrames frames(16);
        const QByteArray big(40, 'x');
        const QByteArray stream = MessageFrames::frame(big) + MessageFrames::frame("after");
        QByteArray payload;
        qint64 announced = 0;
        frames.append(stream.left(10)); // the big frame arrives in two pieces
        QCOMPARE(frames.next(&payload, &announced), MessageFrames::Next::Oversized);
        QCOMPARE(announced, 40);
        QCOMPARE(frames.next(&payload), MessageFrames::Next::NeedMore);
        frames.append(stream.mid(10));
        QCOMPARE(frames.next(&payload), MessageFrames::Next::Frame);
        QCOMPARE(payload, QByteArray("after"));
        // A garbage length (four text bytes) is skipped, not waited for whole.
        MessageFrames garbage(HandOffJson::MaxBytes);
        garbage.append("GET / HTTP/1.1\r\n");
        QCOMPARE(garbage.next(&payload, &announced), MessageFrames::Next::Oversized);
        QVERIFY(announced > HandOffJson::MaxBytes);
        QCOMPARE(garbage.pending(), 0);
    }
};

// Raw JSON literals stay out of the class body, where moc reads.
void tst_HandOffJson::accepted_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *tag, const char *json, const char *type, const QString &text) {
        QTest::newRow(tag) << QByteArray(json) << QString::fromLatin1(type) << text;
    };
    row("text only", R"({"type":"handoff","text":"down"})", "handoff", "down");
    row("unknown members ignored", R"({"type":"handoff","text":"x","future":[1,2]})", "handoff",
        "x");
    row("link without text", R"({"type":"handoff","text":"all","links":[{"url":"http://h/"}]})",
        "handoff", "all");
    row("escaped unicode", R"({"type":"handoff","text":"\u00e9\n"})", "handoff",
        QStringLiteral("\u00e9\n"));
    row("show", R"({"type":"show"})", "show", "");
    row("ok", R"( {"type":"ok"} )", "ok", "");
}

void tst_HandOffJson::refused_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("reason"); // a piece of the reason given
    const auto row = [](const char *tag, const QByteArray &json, const char *reason) {
        QTest::newRow(tag) << json << QString::fromLatin1(reason);
    };
    row("empty", "", "JSON");
    row("not json", "down my_qtr_Url:=x", "JSON");
    row("truncated", R"({"type":"handoff","text":"a)", "JSON");
    row("array", R"(["handoff"])", "object");
    row("latin-1 byte", "{\"type\":\"handoff\",\"text\":\"\xe9\"}", "UTF-8");
    row("overlong encoding", "{\"type\":\"ok\",\"x\":\"\xc0\xaf\"}", "UTF-8");
    row("no type", R"({"text":"down"})", "type");
    row("type not text", R"({"type":7})", "type");
    row("unknown type", R"({"type":"format-disk"})", "unknown");
    row("no text", R"({"type":"handoff"})", "text");
    row("text null", R"({"type":"handoff","text":null})", "text");
    row("links object", R"({"type":"handoff","text":"a","links":{"url":"x"}})", "links");
    row("link without url", R"({"type":"handoff","text":"a","links":[{"text":"x"}]})", "url");
    row("link not object", R"({"type":"handoff","text":"a","links":["http://x/"]})", "url");
    row("link text number", R"({"type":"handoff","text":"a","links":[{"url":"x","text":1}]})",
        "text");
    row("cookies number", R"({"type":"handoff","text":"a","cookies":5})", "cookies");
    row("user agent list", R"({"type":"handoff","text":"a","userAgent":[]})", "userAgent");
    // The page scan's messages.
    row("register without pid", R"({"type":"register"})", "pid");
    row("pid zero", R"({"type":"register","pid":0})", "pid");
    row("pid fraction", R"({"type":"register","pid":12.5})", "pid");
    row("pid beyond 31 bits", R"({"type":"register","pid":4294967296})", "pid");
    row("pid as text", R"({"type":"register","pid":"12"})", "pid");
    row("browser with a path", R"({"type":"register","pid":12,"browser":"../x"})", "browser");
    row("browser name too long",
        R"({"type":"register","pid":12,"browser":")" + QByteArray(65, 'a') + "\"}", "browser");
    row("scan without title", R"({"type":"scan","id":1})", "title");
    row("scan id negative", R"({"type":"scan","id":-1,"title":"x"})", "id");
    row("scan id beyond 2^53", R"({"type":"scan","id":9007199254740993,"title":"x"})", "id");
    row("result without url", R"({"type":"scanresult","id":1,"elements":[]})", "url");
    row("result without elements", R"({"type":"scanresult","id":1,"url":"http://h/"})", "elements");
    row("found as text", R"({"type":"scanresult","id":1,"found":"no"})", "found");
    row("element without tag",
        R"({"type":"scanresult","id":1,"url":"u","elements":[{"src":"a.swf"}]})", "tagName");
    row("tag name too long",
        R"({"type":"scanpage","url":"u","elements":[{"tagName":")" + QByteArray(65, 'A') + "\"}]}",
        "tagName");
    row("src not text",
        R"({"type":"scanpage","url":"u","elements":[{"tagName":"EMBED","src":[]}]})", "src");
    row("url too long",
        R"({"type":"scanpage","url":")" + QByteArray(HandOffJson::MaxTextChars + 1, 'u') +
            R"(","elements":[]})",
        "url");
    row("element not an object", R"({"type":"scanresult","id":1,"url":"h","elements":["EMBED"]})",
        "not an object");
    row("id as text", R"({"type":"scanresult","id":"1","url":"h","elements":[]})", "id");
    row("outer HTML too long",
        R"({"type":"scanresult","id":1,"url":"h","elements":[{"tagName":"EMBED","outerHTML":")" +
            QByteArray(HandOffJson::MaxTextChars + 1, 'x') + "\"}]}",
        "outerHTML");
    QByteArray many = R"({"type":"scanresult","id":1,"url":"h","elements":[)";
    for (int i = 0; i <= HandOffJson::MaxElements; ++i)
        many += QByteArray(i ? "," : "") + R"({"tagName":"EMBED","src":"a.swf"})";
    row("too many elements", many + "]}", "more than");
    row("over the limit",
        R"({"type":"handoff","text":")" + QByteArray(HandOffJson::MaxBytes, 'a') + R"("})",
        "limit");
}

QTEST_GUILESS_MAIN(tst_HandOffJson)
#include "tst_handoffjson.moc"
