#pragma once

#include "browser/HandOffFlow.h"

#include <QObject>

class BrowserScanChannel;
class MainAddCommands;
class MainMenus;
class MainTopWindow;
class QLineEdit;
class QMainWindow;
struct AppCore;

// The main window's side of a browser hand-off: the hidden text field Text1
// (mirroring the flow's text), the flow's Timer1 and its hooks into the
// new-job dialog (through `add`), the drop window's toggle and the window
// state.
class MainHandOff : public QObject {
    Q_OBJECT
public:
    MainHandOff(AppCore &core, MainMenus &menus, MainAddCommands &add, QMainWindow &window);

    // Keeps the message's links, cookies and user agent for the dialog and
    // puts its text into Text1 (queued while the dialog is open).
    void receive(const HandOffMessage &message);

    QLineEdit *Text1() const { return m_text1; }
    QTimer *Timer1() { return m_flow.Timer1(); }
    HandOffFlow &flow() { return m_flow; }
    MainTopWindow *topWindow() const { return m_top; }
    // How the drop window's picker asks the browsers for their pages.
    BrowserScanChannel *scanChannel() const { return m_scan; }

    // Records the two browser menu entries in the registry store (at every
    // start, once the window shows); failures are ignored.
    void registerBrowserMenu();

private:
    QMainWindow &m_window;
    HandOffFlow m_flow;
    QLineEdit *m_text1 = nullptr;
    MainTopWindow *m_top = nullptr;
    BrowserScanChannel *m_scan = nullptr;
    QString m_appFolder; // the registry store's folder (empty: none)
};
