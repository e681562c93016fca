// The parts chart: which tile a byte range gets, and the colours it is drawn in.
#include "ui/PartsChart.h"

#include <QtTest>

class TestPartsChart : public QObject {
    Q_OBJECT
    static DownJobRecord twoParts() {
        DownJobRecord r;
        r.Parts = 2;
        r.part(1) = {0, 200, 499};
        r.part(2) = {500, 700, 999};
        r.TotalSize = 2000;
        return r;
    }
private slots:
    void tiles_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("state");
        QTest::newRow("received by part 1") << 0 << 99 << 2;
        QTest::newRow("part 1 not there yet") << 200 << 299 << 1;
        QTest::newRow("across received and not") << 150 << 250 << 1;
        QTest::newRow("received by part 2") << 500 << 600 << 2;
        QTest::newRow("beyond every part") << 1000 << 1100 << 0;
    }
    void tiles() {
        QFETCH(int, from);
        QFETCH(int, to);
        QTEST(PartsChart::tileState(twoParts(), from, to), "state");
    }

    // Tile centres of the file's row (top 30) and of part 1 (22 below), from 64 across.
    void colours() {
        PartsChart chart;
        chart.showJob(twoParts());
        const QImage &p = chart.picture();
        const int right = 64 + ((p.width() - 64 - 12) / 9 - 1) * 9 + 4;
        QCOMPARE(QColor(p.pixel(68, 36)), QColor(0x3a, 0x9d, 0x5d));    // received
        QCOMPARE(QColor(p.pixel(right, 36)), QColor(0xe8, 0xec, 0xf1)); // not assigned
        QCOMPARE(QColor(p.pixel(68, 58)), QColor(0x3a, 0x9d, 0x5d));    // part 1 received
        const int running = 64 + int(300.0 / 2000 * ((p.width() - 76) / 9)) * 9 + 4;
        QCOMPARE(QColor(p.pixel(running, 58)), QColor(0x9c, 0xc2, 0xef)); // part 1 running
        QCOMPARE(QColor(p.pixel(64, 30)), QColor(Qt::white)); // a tile's corner stays white
    }
};

QTEST_MAIN(TestPartsChart)
#include "tst_partschart.moc"
