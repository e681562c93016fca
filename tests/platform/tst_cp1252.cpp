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
        QTest::newRow("euro and quotes") << QStringLiteral("€ “x”") << QByteArray("\x80 \x93x\x94");
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
