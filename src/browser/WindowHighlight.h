#pragma once

#include <QWidget>

// A 3-pixel black outline over another program's window: a window of its own
// shaped to the outline (nothing is drawn on the root window, which a
// compositor would hide), on top of everything and transparent for the
// pointer, so the window under the pointer is still the outlined one.
class WindowHighlight : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 3;

    explicit WindowHighlight(QWidget *parent = nullptr);

    // Outlines `outer` (screen pixels, device independent).
    void showOver(const QRect &outer);
};
