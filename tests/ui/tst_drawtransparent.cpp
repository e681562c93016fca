#include "ui/DrawTransparent.h"

#include <QImage>
#include <QtTest>

namespace {
const QRgb kBack = qRgb(10, 20, 200);
const QRgb kInk = qRgb(200, 30, 30);

QImage target() {
    QImage img(10, 8, QImage::Format_RGB32);
    img.fill(kBack);
    return img;
}

// 4 x 3: a white frame with ink inside and one ink corner.
QImage picture() {
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setPixel(1, 1, kInk);
    img.setPixel(2, 1, kInk);
    img.setPixel(3, 2, qRgb(0, 0, 0));
    return img;
}
} // namespace

class TestDrawTransparent : public QObject {
    Q_OBJECT
private slots:
    void placesOnlyOpaquePixels_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("inside") << 2 << 3;
        QTest::newRow("cut at the top left") << -2 << -1;
        QTest::newRow("cut at the bottom right") << 7 << 6;
        QTest::newRow("outside") << 20 << 20;
    }
    void placesOnlyOpaquePixels() {
        QFETCH(int, x);
        QFETCH(int, y);
        QImage t = target();
        const QImage pic = picture();
        const QImage before = pic.copy();
        DrawTransparent(t, pic, x, y, Qt::white);
        for (int ty = 0; ty < t.height(); ++ty)
            for (int tx = 0; tx < t.width(); ++tx) {
                const int px = tx - x, py = ty - y;
                QRgb expected = kBack;
                if (px >= 0 && py >= 0 && px < pic.width() && py < pic.height() &&
                    pic.pixel(px, py) != qRgb(255, 255, 255))
                    expected = pic.pixel(px, py);
                QCOMPARE(t.pixel(tx, ty), expected);
            }
        QCOMPARE(pic, before); // the picture is left as it was
    }

    void pixelPositionsWhateverTheScale() {
        QImage t = target();
        t.setDevicePixelRatio(2.0);
        DrawTransparent(t, picture(), 4, 2, Qt::white);
        QCOMPARE(t.devicePixelRatio(), 2.0); // restored
        QCOMPARE(t.pixel(5, 3), kInk);
        QCOMPARE(t.pixel(4, 2), kBack);
    }
};

QTEST_GUILESS_MAIN(TestDrawTransparent)
#include "tst_drawtransparent.moc"
