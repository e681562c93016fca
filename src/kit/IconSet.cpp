#include "kit/IconSet.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {
QString pathOf(const QString &key) {
    return QStringLiteral(":/icons/") + key + QStringLiteral(".svg");
}

QPixmap render(const QString &key, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer svg(pathOf(key));
    if (svg.isValid()) {
        svg.render(&painter);
        return pixmap;
    }
    // Stand-in: a rounded tile with the key's first letter.
    const QColor tone = QColor::fromHsv(int(qHash(key) % 360), 120, 170);
    painter.setBrush(tone);
    painter.setPen(tone.darker(130));
    painter.drawRoundedRect(QRectF(1.5, 1.5, size - 3, size - 3), size / 5.0, size / 5.0);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(qMax(6, size * 6 / 10));
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, key.left(1).toUpper());
    return pixmap;
}

void addSizes(QIcon &icon, const QString &key, QIcon::Mode mode) {
    for (int size : {16, 20, 24, 32, 48})
        icon.addPixmap(render(key, size), mode);
}
} // namespace

namespace IconSet {

bool has(const QString &key) {
    return QFile::exists(pathOf(key));
}

QIcon icon(const QString &key) {
    return icon(key, key);
}

QIcon icon(const QString &key, const QString &selectedKey) {
    static QHash<QString, QIcon> cache;
    const QString id = key + QLatin1Char('|') + selectedKey;
    auto it = cache.find(id);
    if (it != cache.end()) return *it;
    QIcon result;
    if (!key.isEmpty()) {
        addSizes(result, key, QIcon::Normal);
        if (selectedKey != key && !selectedKey.isEmpty())
            addSizes(result, selectedKey, QIcon::Selected);
    }
    cache.insert(id, result);
    return result;
}

QImage image(const QString &key, int size, const QColor &background) {
    QImage out(size, size, QImage::Format_RGB32);
    out.fill(background);
    QPainter painter(&out);
    painter.drawPixmap(0, 0, render(key, size));
    return out;
}

} // namespace IconSet
