#pragma once

#include <QColor>

class QImage;

// Draws `picture` onto `target` with its top-left corner at pixel (x, y),
// leaving the target unchanged wherever the picture has the colour
// `transparent`. The target is addressed in pixels for the call; its device
// pixel ratio is restored afterwards. The picture is not changed.
void DrawTransparent(QImage &target, const QImage &picture, int x, int y, QColor transparent);
