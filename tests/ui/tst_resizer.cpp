#include "ui/Resizer.h"

#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

namespace {
// A 300 x 200 container without a border, so its inner area is all of it.
struct Fixture {
    Resizer r;
    QWidget *a;
    QWidget *b;
    explicit Fixture(int orientation = 1, bool two = true) {
        r.setBorderStyle(0);
        r.setOrientation(orientation);
        a = new QWidget(&r);
        a->setObjectName("a");
        b = two ? new QWidget(&r) : nullptr;
        if (b) b->setObjectName("b");
        a->resize(100, 80);
        r.resize(300, 200);
        r.layoutPanes();
    }
};

void mouse(QWidget *w, QEvent::Type type, QPointF pos, Qt::MouseButtons held) {
    QMouseEvent event(type, pos, w->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

void drag(Resizer &r, QPointF from, QPointF by) {
    QLabel *bar = r.separator();
    mouse(bar, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(bar, QEvent::MouseMove, from + by, Qt::LeftButton);
    mouse(bar, QEvent::MouseButtonRelease, from + by, Qt::NoButton);
}
} // namespace

class TestResizer : public QObject {
    Q_OBJECT
private slots:
    void layoutKeepsTheStartSize_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("expected");
        QTest::newRow("side by side") << 1 << 100 << 100;
        QTest::newRow("below the minimum") << 1 << 2 << 6;
        QTest::newRow("leaves too little") << 1 << 298 << 291;
        QTest::newRow("stacked") << 0 << 80 << 80;
        QTest::newRow("stacked, too large") << 0 << 199 << 191;
    }
    void layoutKeepsTheStartSize() {
        QFETCH(int, orientation);
        QFETCH(int, start);
        QFETCH(int, expected);
        Fixture f(orientation);
        f.a->resize(start, start);
        f.r.layoutPanes();
        if (orientation == 1) {
            QCOMPARE(f.a->geometry(), QRect(0, 0, expected, 200));
            QCOMPARE(f.r.separator()->geometry(), QRect(expected, 0, 3, 200));
            QCOMPARE(f.b->geometry(), QRect(expected + 3, 0, 300 - expected - 3, 200));
        } else {
            QCOMPARE(f.a->geometry(), QRect(0, 0, 300, expected));
            QCOMPARE(f.b->geometry(), QRect(0, expected + 3, 300, 200 - expected - 3));
        }
        QCOMPARE(f.r.Control1Size(), expected * 15);
        QCOMPARE(f.r.ControlName1(), QString("a"));
        QCOMPARE(f.r.ControlName2(), QString("b"));
    }

    // One pane is always shown; shown again, the two split the space in
    // half; a list view alone keeps its border outside the view.
    void hidingAndShowingPanes() {
        Fixture f;
        f.r.setControl2Visible(false);
        QVERIFY(f.b->isHidden() && f.r.separator()->isHidden());
        QCOMPARE(f.a->geometry(), QRect(0, 0, 300, 200));
        f.r.setControl2Visible(true);
        QCOMPARE(f.a->geometry(), QRect(0, 0, 150, 200));
        QCOMPARE(f.b->geometry(), QRect(153, 0, 147, 200));
        f.r.setControl2Visible(false);
        f.r.setControl1Visible(false);
        QVERIFY(!f.r.Control1Visible() && f.r.Control2Visible());
        QCOMPARE(f.b->geometry(), QRect(0, 0, 300, 200));
        Fixture g;
        Resizer::markListView(g.a);
        g.r.setControl2Visible(false);
        QCOMPARE(g.a->geometry(), QRect(-1, -1, 302, 202));
    }

    void dragging_data() {
        QTest::addColumn<int>("by");
        QTest::addColumn<int>("start");
        QTest::newRow("right") << 40 << 140;
        QTest::newRow("left") << -30 << 70;
        QTest::newRow("past the start minimum") << -500 << 6;
        QTest::newRow("past the end minimum") << 500 << 291;
    }
    void dragging() {
        QFETCH(int, by);
        QFETCH(int, start);
        Fixture f;
        QSignalSpy sized(&f.r, &Resizer::SizeChanged);
        drag(f.r, {1, 50}, {double(by), 7});
        QCOMPARE(f.a->width(), start);
        QCOMPARE(f.b->geometry(), QRect(start + 3, 0, 300 - start - 3, 200));
        QCOMPARE(f.r.separator()->x(), start);
        QCOMPARE(sized.count(), 1);
    }

    void noResizingWhenForbidden() {
        Fixture f;
        f.r.setCanResize(false);
        QCOMPARE(f.r.separator()->cursor().shape(), Qt::ArrowCursor);
        drag(f.r, {1, 50}, {40, 0});
        QCOMPARE(f.a->width(), 100);
    }

    void settingSizesClamps_data() {
        QTest::addColumn<int>("pane");
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("startWidth");
        QTest::newRow("pane 1") << 1 << 1500 << 100;
        QTest::newRow("pane 1 too small") << 1 << 15 << 6;
        QTest::newRow("pane 1 too large") << 1 << 15000 << 291;
        QTest::newRow("pane 2") << 2 << 1500 << 197;
        QTest::newRow("pane 2 too large") << 2 << 15000 << 6;
    }
    void settingSizesClamps() {
        QFETCH(int, pane);
        QFETCH(int, twips);
        QFETCH(int, startWidth);
        Fixture f;
        f.r.setProperty(pane == 1 ? "Control1Size" : "Control2Size", twips);
        QCOMPARE(f.a->width(), startWidth);
        QCOMPARE(f.b->width(), 300 - 3 - startWidth);
    }
};

QTEST_MAIN(TestResizer)
#include "tst_resizer.moc"
