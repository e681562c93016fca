#pragma once

#include "browser/ScanChannel.h"
#include "platform/X11Windows.h"

#include <QCursor>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

struct FoundMovieList;
class QLabel;
class QWidget;
class frmDragMessage;
class WindowHighlight;

// The window picker: the user presses the left button on a widget (the drop
// window's picker image), drags the pointer over a browser window and
// releases it. While dragging, each browser page under the pointer is
// scanned through a ScanChannel; its movies become FoundMovies/FoundCount
// and a message next to the pointer reports them. Release with movies found
// emits handOver() (the save dialog follows).
class WindowPicker : public QObject {
    Q_OBJECT
public:
    // Main window states as SavedMainState holds them.
    enum MainState { Normal = 0, Minimized = 1, Maximized = 2 };

    static constexpr int kDefaultTimeoutMs = 3000;

    // Watches `image2` (an event filter). Without an X11 display (Wayland)
    // the picker stays inert and says so in the widget's tool tip.
    // `scan` receives the movies found.
    WindowPicker(QWidget *image2, FoundMovieList &scan, QObject *parent = nullptr);
    // The same with a given window finder (tests, other displays).
    WindowPicker(QWidget *image2, FoundMovieList &scan, std::unique_ptr<X11Windows> windows,
                 QObject *parent = nullptr);
    ~WindowPicker() override;

    static const QString &unavailableToolTip();
    bool isAvailable() const { return m_available; }

    // The pictures shown in `image2` at rest and while dragging (when it is a
    // label): taken from these labels at each press and release.
    void setPictures(QLabel *image3, QLabel *image4);
    // The main window minimised while picking; its state is saved in
    // `SavedMainState` on press and restored on release.
    void setMainWindow(QWidget *mainWindow, int *SavedMainState);
    void setScanChannel(ScanChannel *channel) { m_channel = channel; }
    // How long a scan may take before the window counts as unreadable; a
    // running deadline starts over with the new time.
    void setScanTimeout(int ms) { m_deadline.setInterval(ms); }

    static int stateOf(const QWidget *window);
    static void applyState(QWidget *window, int state);

    // Released before the page under the pointer answered: the hand-over
    // waits for that answer or its deadline.
    bool dropWaiting() const { return m_dropWaits; }

    frmDragMessage *dragMessage() const { return m_message; }
    WindowHighlight *highlight() const { return m_highlight; }

signals:
    // Released with FoundCount > 0: the list waits for the save dialog.
    void handOver();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void press();
    void move();
    void release();
    void answer(quint64 request, const std::optional<PageScanResult> &page);
    void settle(); // the scan asked for is answered or given up
    void finishDrop();
    void setPicture(QLabel *from);

    QPointer<QWidget> m_image2;
    FoundMovieList &m_scan;
    std::unique_ptr<X11Windows> m_windows;
    bool m_available = false;
    ScanChannel *m_channel = nullptr;
    QPointer<QLabel> m_image3, m_image4;
    QPointer<QWidget> m_main;
    int *m_savedMainState = nullptr;
    frmDragMessage *m_message = nullptr;
    WindowHighlight *m_highlight = nullptr;

    bool m_dragging = false;
    bool m_dropWaits = false; // released while the window's scan is outstanding
    quint32 m_lastWindow = 0; // survives between picks
    QRect m_lastOuter;
    quint64 m_pending = 0; // the request still awaited, 0 when none
    quint64 m_nextRequest = 0;
    QTimer m_deadline;
    // Pointers of the picker and its window before the press.
    struct SavedCursor {
        QPointer<QWidget> widget;
        bool set = false;
        QCursor cursor;
    };
    SavedCursor m_savedCursors[2];
};
