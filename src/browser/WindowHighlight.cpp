#include "browser/WindowHighlight.h"

#include <QRegion>

WindowHighlight::WindowHighlight(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput |
                          Qt::BypassWindowManagerHint) {
    setObjectName(QStringLiteral("WindowHighlight"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
}

void WindowHighlight::showOver(const QRect &outer) {
    if (outer.width() <= 2 * kWidth || outer.height() <= 2 * kWidth) {
        hide();
        return;
    }
    setGeometry(outer);
    const QRect all(QPoint(0, 0), outer.size());
    setMask(QRegion(all).subtracted(QRegion(all.adjusted(kWidth, kWidth, -kWidth, -kWidth))));
    show();
    raise();
}
