#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class HandOffFlow;
class MainMenus;
class QMainWindow;
class ScanChannel;
class frmTop;
struct AppCore;

// The drop window seen from the main window: "Top Window" in the View menu
// (mnuView_Pop) and in popMain (popMain_Pop) load and unload it with their
// check marks kept in step; its face opens popMain, restores or minimises
// the main window and hands dropped text to the new-job dialog. Its place
// is kept in the registry store across runs.
class MainTopWindow : public QObject {
    Q_OBJECT
public:
    // `scan` (may be null) is how the picker asks the browsers for pages.
    MainTopWindow(AppCore &core, MainMenus &menus, QMainWindow &window, HandOffFlow &flow,
                  ScanChannel *scan = nullptr);
    ~MainTopWindow() override;

    // Shown when the main window loads, both entries checked.
    void showAtStart();
    frmTop *dropWindow() const; // null while unloaded

    // The registry key holding the window's place ("Left", "Top").
    static const QString kPlaceKey;

signals:
    // The face was right-clicked: popMain, its entries enabled, at `globalPos`.
    void popupWanted(const QPoint &globalPos);

private:
    void setShown(bool shown);
    void load();
    void unload();
    void toggleMain();
    void savePlace();

    AppCore &m_core;
    MainMenus &m_menus;
    QMainWindow &m_window;
    HandOffFlow &m_flow;
    ScanChannel *m_scan;
    QPointer<frmTop> m_top;
    QString m_storePath;
};
