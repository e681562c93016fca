#pragma once

#include <QRect>
#include <QString>
#include <QtGlobal>

struct xcb_connection_t;

// What the window picker learns about a top-level window.
struct X11WindowInfo {
    quint32 window = 0;   // the client window (the one carrying WM_STATE)
    quint32 topLevel = 0; // its ancestor directly below the root (a frame, or itself)
    QString instance;     // WM_CLASS, first part
    QString wmClass;      // WM_CLASS, second part
    QString title;        // _NET_WM_NAME, else WM_NAME
    qint64 pid = 0;       // _NET_WM_PID; 0 when not set
    QRect outer;          // the top-level window's rectangle on the screen, border included
};

// Finds windows of other programs on an X11 display through its own
// connection. Every reply is checked: a window that vanishes meanwhile gives
// "no window", never an error.
class X11Windows {
public:
    // Connects to `display` (the DISPLAY variable when empty).
    explicit X11Windows(const QByteArray &display = {});
    ~X11Windows();
    X11Windows(const X11Windows &) = delete;
    X11Windows &operator=(const X11Windows &) = delete;

    bool isOpen() const { return m_connection != nullptr; }

    // The client window under the pointer: going down from the root along
    // the pointer, the first window carrying WM_STATE; over a frame's
    // decoration the one below the frame; else the root's child under the
    // pointer. False when the pointer is over the bare root window.
    bool windowUnderPointer(X11WindowInfo &info);
    // Describes a client window; false when it does not exist.
    bool describe(quint32 window, X11WindowInfo &info);

    // Whether a WM_CLASS class names one of the browsers whose pages can be
    // scanned (Chromium, Google-chrome, Brave-browser, Vivaldi-stable,
    // firefox, firefox-esr; any letter case).
    static bool isBrowserClass(const QString &wmClass);

private:
    quint32 atom(const char *name);
    QByteArray property(quint32 window, quint32 property, quint32 type, quint32 maxBytes = 4096);
    bool hasWmState(quint32 window);
    quint32 topLevelOf(quint32 window);
    quint32 clientBelow(quint32 topLevel); // a window carrying WM_STATE, 0 when none

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
};
