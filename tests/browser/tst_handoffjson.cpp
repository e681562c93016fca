// The wire format between extension, host and program, and its framing.
#include "browser/HandOffJson.h"
#include "browser/MessageFrames.h"

#include <QtTest>

class tst_HandOffJson : public QObject {
    Q_OBJECT
private slots:
    void roundTrip();
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void largestMessage();
    void framesInPieces();
    void oversizedFrameIsSkipped();
};

void tst_HandOffJson::roundTrip() {
    HandOffMessage sent;
    sent.text = QStringLiteral("allmy_qtr_Url:=http://a.test/p?q=1&r=ü||**QTRVAN**||");
    sent.links = {{QStringLiteral("http://a.test/1"), QStringLiteral("Eins \"1\"")},
                  {QStringLiteral("http://a.test/2"), QString()}};
    sent.cookies = QStringLiteral("a=1; b=2");
    sent.userAgent = QStringLiteral("Mozilla/5.0 (X11; Linux x86_64)");
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

void tst_HandOffJson::accepted_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::newRow("text only") << QByteArray(R"({"type":"handoff","text":"down"})") << "handoff"
                               << "down";
    QTest::newRow("unknown members ignored")
        << QByteArray(R"({"type":"handoff","text":"x","future":[1,2]})") << "handoff"
        << "x";
    QTest::newRow("link without text")
        << QByteArray(R"({"type":"handoff","text":"all","links":[{"url":"http://h/"}]})")
        << "handoff"
        << "all";
    QTest::newRow("escaped unicode") << QByteArray(R"({"type":"handoff","text":"\u00e9\n"})")
                                     << "handoff" << QStringLiteral("\u00e9\n");
    QTest::newRow("show") << QByteArray(R"({"type":"show"})") << "show"
                          << "";
    QTest::newRow("ok") << QByteArray(R"( {"type":"ok"} )") << "ok"
                        << "";
}

void tst_HandOffJson::accepted() {
    QFETCH(QByteArray, json);
    QFETCH(QString, type);
    QFETCH(QString, text);
    WireMessage got;
    QString reason;
    QVERIFY2(HandOffJson::read(json, &got, &reason), qPrintable(reason));
    QCOMPARE(got.type, type);
    QCOMPARE(got.handOff.text, text);
}

void tst_HandOffJson::refused_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("reason"); // a piece of the reason given
    QTest::newRow("empty") << QByteArray() << "JSON";
    QTest::newRow("not json") << QByteArray("down my_qtr_Url:=x") << "JSON";
    QTest::newRow("truncated") << QByteArray(R"({"type":"handoff","text":"a)") << "JSON";
    QTest::newRow("array") << QByteArray(R"(["handoff"])") << "object";
    QTest::newRow("latin-1 byte") << QByteArray("{\"type\":\"handoff\",\"text\":\"\xe9\"}")
                                  << "UTF-8";
    QTest::newRow("overlong encoding")
        << QByteArray("{\"type\":\"ok\",\"x\":\"\xc0\xaf\"}") << "UTF-8";
    QTest::newRow("no type") << QByteArray(R"({"text":"down"})") << "type";
    QTest::newRow("type not text") << QByteArray(R"({"type":7})") << "type";
    QTest::newRow("unknown type") << QByteArray(R"({"type":"format-disk"})") << "unknown";
    QTest::newRow("no text") << QByteArray(R"({"type":"handoff"})") << "text";
    QTest::newRow("text null") << QByteArray(R"({"type":"handoff","text":null})") << "text";
    QTest::newRow("links object") << QByteArray(
                                         R"({"type":"handoff","text":"a","links":{"url":"x"}})")
                                  << "links";
    QTest::newRow("link without url")
        << QByteArray(R"({"type":"handoff","text":"a","links":[{"text":"x"}]})") << "url";
    QTest::newRow("link not object")
        << QByteArray(R"({"type":"handoff","text":"a","links":["http://x/"]})") << "url";
    QTest::newRow("link text number")
        << QByteArray(R"({"type":"handoff","text":"a","links":[{"url":"x","text":1}]})") << "text";
    QTest::newRow("cookies number")
        << QByteArray(R"({"type":"handoff","text":"a","cookies":5})") << "cookies";
    QTest::newRow("user agent list")
        << QByteArray(R"({"type":"handoff","text":"a","userAgent":[]})") << "userAgent";
    QTest::newRow("over the limit")
        << (QByteArray(R"({"type":"handoff","text":")") + QByteArray(HandOffJson::MaxBytes, 'a') +
            QByteArray(R"("})"))
        << "limit";
}

void tst_HandOffJson::refused() {
    QFETCH(QByteArray, json);
    QFETCH(QString, reason);
    WireMessage got;
    QString why;
    QVERIFY(!HandOffJson::read(json, &got, &why));
    QVERIFY2(why.contains(reason), qPrintable(why));
    QVERIFY(got.handOff.text.isEmpty());
}

// A hand-off text near the limit, with thousands of separators, is read whole.
void tst_HandOffJson::largestMessage() {
    HandOffMessage big;
    const QString field = QStringLiteral("my_qtr_Info:=x||**QTRVAN**||");
    big.text = QStringLiteral("down") + field.repeated(30000);
    const QByteArray json = HandOffJson::write(big);
    QVERIFY(json.size() > 800 * 1024 && json.size() <= HandOffJson::MaxBytes);
    WireMessage got;
    QVERIFY(HandOffJson::read(json, &got, nullptr));
    QCOMPARE(got.handOff.text, big.text);
}

void tst_HandOffJson::framesInPieces() {
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

void tst_HandOffJson::oversizedFrameIsSkipped() {
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

QTEST_GUILESS_MAIN(tst_HandOffJson)
#include "tst_handoffjson.moc"
