#pragma once

#include <QWidget>

class QLabel;

// The small borderless window that follows the pointer while the picker is
// dragged and says what the page under it holds.
class frmDragMessage : public QWidget {
    Q_OBJECT
public:
    explicit frmDragMessage(QWidget *parent = nullptr);

    // Shows the report for `count` movies next to the pointer at `pointer`.
    void showReport(int count, const QPoint &pointer);
    // Places the top-left corner 16 pixels right of and below the pointer.
    void follow(const QPoint &pointer);

    QLabel *Label1 = nullptr;
};
