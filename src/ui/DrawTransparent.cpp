#include "ui/DrawTransparent.h"

#include <QImage>

void DrawTransparent(QImage &target, const QImage &picture, int x, int y, QColor transparent) {
    if (target.isNull() || picture.isNull()) return;
    const qreal ratio = target.devicePixelRatio();
    target.setDevicePixelRatio(1.0);
    const QRgb key = transparent.rgb() & RGB_MASK;
    const int x0 = qMax(0, -x), y0 = qMax(0, -y);
    const int x1 = qMin(picture.width(), target.width() - x);
    const int y1 = qMin(picture.height(), target.height() - y);
    for (int py = y0; py < y1; ++py) {
        for (int px = x0; px < x1; ++px) {
            const QRgb pixel = picture.pixel(px, py);
            if ((pixel & RGB_MASK) != key) target.setPixel(x + px, y + py, pixel | 0xff000000u);
        }
    }
    target.setDevicePixelRatio(ratio);
}
