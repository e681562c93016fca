// The conversions of stored data: OLE day counts and Windows-1252 text.
#include "base/OleDate.h"
#include "platform/Cp1252.h"

#include <QtTest>
#include <ctime>

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // A zone with daylight saving, so change days are covered.
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    void dayCounts_data() {
        QTest::addColumn<double>("days");
        QTest::addColumn<QDateTime>("when");
        const QDate dstStart(2026, 3, 29);
        const double dstDay = double(QDate(1899, 12, 30).daysTo(dstStart));
        QTest::newRow("epoch") << 0.0 << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
        QTest::newRow("before epoch") << -1.25 << QDateTime(QDate(1899, 12, 29), QTime(6, 0));
        QTest::newRow("noon") << 45000.5 << QDateTime(QDate(2023, 3, 15), QTime(12, 0));
        QTest::newRow("dst change day, noon") << dstDay + 0.5 << QDateTime(dstStart, QTime(12, 0));
        QTest::newRow("dst change day, evening")
            << dstDay + 0.75 << QDateTime(dstStart, QTime(18, 0));
    }
    void dayCounts() {
        QFETCH(double, days);
        QFETCH(QDateTime, when);
        QCOMPARE(OleDate::toDateTime(days), when);
        QCOMPARE(OleDate::fromDateTime(when), days);
    }

    void nonsenseDatesFallBackToTheEpoch() {
        const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
        QCOMPARE(OleDate::toDateTime(std::nan("")), epoch);
        QCOMPARE(OleDate::toDateTime(1e300), epoch);
    }

    void aFractionRoundingUpToMidnightIsTheNextDay() {
        QCOMPARE(OleDate::toDateTime(1.9999999999), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    }
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

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
