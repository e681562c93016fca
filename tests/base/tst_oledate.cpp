#include "base/OleDate.h"

#include <QtTest>
#include <ctime>

class TestOleDate : public QObject {
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
};

QTEST_APPLESS_MAIN(TestOleDate)
#include "tst_oledate.moc"
