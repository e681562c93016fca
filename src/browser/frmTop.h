#pragma once

#include <QWidget>

class QLabel;
class QMimeData;

// "Top Window": the small floating window above all others. Its face
// (Image1) takes dropped links, moves the window when dragged, and asks for
// the main window's pop-up menu (right click) or its restore/minimise
// (double click). Image2 is the window picker, Image3 and Image4 hold the
// picker's resting and dragging pictures.
class frmTop : public QWidget {
    Q_OBJECT
public:
    explicit frmTop(QWidget *parent = nullptr);

    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Image3 = nullptr;
    QLabel *Image4 = nullptr;

    // Without a window picker (no X11 display): Image2 goes and the face's
    // tool tip adds `why`, which names the way left to scan a page.
    void hidePicker(const QString &why);

    // The text a drop offers: its plain text, else its first URL, trimmed;
    // empty for any other format.
    static QString droppedText(const QMimeData *mime);

signals:
    void popupWanted(const QPoint &globalPos); // right button on Image1 or Image2
    void faceDoubleClicked();
    void textDropped(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool faceEvent(QEvent *event);
    void dragTo(const QPoint &globalPos);

    bool m_dragging = false; // left button pressed on the face
    QPoint m_grab;           // where the face was taken, relative to the window
};
