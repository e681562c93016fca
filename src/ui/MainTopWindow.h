#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class HandOffFlow;
class ScanChannel;
class frmMain;
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
    MainTopWindow(frmMain &window, AppCore &core, HandOffFlow &flow, ScanChannel *scan = nullptr);
    ~MainTopWindow() override;

    // Shown when the main window loads, both entries checked.
    void showAtStart();
    frmTop *window() const; // null while unloaded

    // The registry key holding the window's place ("Left", "Top").
    static const QString kPlaceKey;

private:
    void setShown(bool shown);
    void load();
    void unload();
    void showPopup(const QPoint &globalPos);
    void toggleMain();
    void savePlace();

    frmMain &m_window;
    AppCore &m_core;
    HandOffFlow &m_flow;
    ScanChannel *m_scan;
    QPointer<frmTop> m_top;
    QString m_storePath;
};
