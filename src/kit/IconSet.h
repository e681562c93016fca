#pragma once

#include <QIcon>
#include <QString>

// Pictures addressed by image key: the program's own SVG set compiled into
// the resources (":/icons/<key>.svg"). A key without a picture gets a plain
// drawn stand-in, so a missing file never leaves a button blank.
namespace IconSet {
QIcon icon(const QString &key);
QIcon icon(const QString &key, const QString &selectedKey);
QImage image(const QString &key, int size, const QColor &background);
bool has(const QString &key);
} // namespace IconSet
