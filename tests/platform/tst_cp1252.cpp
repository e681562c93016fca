#include "platform/Cp1252.h"

#include <QtTest>

class TestCp1252 : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QStringLiteral("abc") << QByteArray("abc");
        QTest::newRow("latin1") << QStringLiteral("é ü") << QByteArray("\xe9 \xfc");
        // Every defined byte of 0x80..0x9F, against the published table.
        QTest::newRow("0x80..0x9F")
            << QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ")
            << QByteArray("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8a\x8b\x8c\x8e"
                          "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9a\x9b\x9c\x9e\x9f");
        QTest::newRow("empty") << QString() << QByteArray();
    }
    void roundTrip() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Cp1252::encode(text), bytes);
        QCOMPARE(Cp1252::decode(bytes), text);
    }
    void unmappableBecomesQuestionMark() {
        QCOMPARE(Cp1252::encode(QStringLiteral("a漢b")), QByteArray("a?b"));
        QCOMPARE(Cp1252::encode(QStringLiteral("a\U0001F600b")), QByteArray("a?b"));
    }
    void everyByteDecodesAndEncodesBack() {
        for (int b = 0; b < 256; ++b) {
            const QByteArray one(1, char(b));
            QCOMPARE(Cp1252::encode(Cp1252::decode(one)), one);
        }
    }
};

QTEST_APPLESS_MAIN(TestCp1252)
#include "tst_cp1252.moc"
