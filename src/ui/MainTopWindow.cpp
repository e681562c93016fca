#include "ui/MainTopWindow.h"

#include "browser/HandOffFlow.h"
#include "browser/WindowPicker.h"
#include "browser/frmTop.h"
#include "platform/RegistryStore.h"
#include "session/AppCore.h"
#include "ui/MainMenus.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>

const QString MainTopWindow::kPlaceKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\MoorQuill\\Top Window");

MainTopWindow::MainTopWindow(AppCore &core, MainMenus &menus, QMainWindow &window,
                             HandOffFlow &flow, ScanChannel *scan)
    : QObject(&window), m_core(core), m_menus(menus), m_window(window), m_flow(flow), m_scan(scan) {
    setObjectName(QStringLiteral("MainTopWindow"));
    QAction *view = menus.action(QStringLiteral("mnuView_Pop"));
    QAction *pop = menus.action(QStringLiteral("popMain_Pop"));
    view->setEnabled(true);
    pop->setEnabled(true);
    // popMain_Pop runs mnuView_Pop (frmMain); the View entry's new check
    // mark decides and is copied to the pop-up entry.
    connect(view, &QAction::toggled, this, [this, pop](bool on) {
        pop->setChecked(on);
        setShown(on);
    });
    if (!core.paths.SettingsPath.isEmpty())
        m_storePath = RegistryStore::defaultPath(QFileInfo(core.paths.SettingsPath).absolutePath());
}

MainTopWindow::~MainTopWindow() {
    // The main window is going away: only the drop window's own state is used.
    savePlace();
    delete m_top;
}

frmTop *MainTopWindow::dropWindow() const {
    return m_top;
}

void MainTopWindow::showAtStart() {
    QAction *view = m_menus.action(QStringLiteral("mnuView_Pop"));
    if (view->isChecked())
        setShown(true);
    else
        view->setChecked(true); // toggled: loads and checks popMain_Pop
}

void MainTopWindow::setShown(bool shown) {
    if (shown)
        load();
    else
        unload();
}

void MainTopWindow::load() {
    if (!m_top) {
        m_top = new frmTop;
        connect(m_top, &frmTop::popupWanted, this, &MainTopWindow::popupWanted);
        connect(m_top, &frmTop::faceDoubleClicked, this, &MainTopWindow::toggleMain);
        connect(m_top, &frmTop::textDropped, &m_flow, &HandOffFlow::drop);
        // Image2 picks a browser window, whose page the extension scans; a
        // list found goes over through Timer1.
        auto *picker = new WindowPicker(m_top->Image2, m_core.scan, m_top.data());
        picker->setPictures(m_top->Image3, m_top->Image4);
        picker->setMainWindow(&m_window, &m_core.SavedMainState);
        picker->setScanChannel(m_scan);
        if (!picker->isAvailable()) m_top->hidePicker(WindowPicker::unavailableToolTip());
        connect(picker, &WindowPicker::handOver, m_flow.Timer1(), qOverload<>(&QTimer::start));
        // A remembered place that is still on a screen, else the top right
        // corner of the primary screen.
        QPoint place;
        bool known = false;
        if (!m_storePath.isEmpty()) {
            const RegistryStore store(m_storePath);
            const auto left = store.readNumber(kPlaceKey, QStringLiteral("Left"));
            const auto top = store.readNumber(kPlaceKey, QStringLiteral("Top"));
            place = QPoint(left.value_or(0), top.value_or(0));
            known = left && top && QGuiApplication::screenAt(place + QPoint(8, 8));
        }
        if (!known)
            if (QScreen *screen = QGuiApplication::primaryScreen()) {
                const QRect area = screen->availableGeometry();
                place = QPoint(area.right() - m_top->width() - 40, area.top() + 40);
            }
        m_top->move(place);
    }
    m_top->show();
    m_top->raise();
}

void MainTopWindow::unload() {
    if (!m_top) return;
    savePlace();
    delete m_top; // the reference clears itself
}

void MainTopWindow::savePlace() {
    if (!m_top || m_storePath.isEmpty()) return;
    RegistryStore store(m_storePath);
    if (!store.createKey(kPlaceKey)) return;
    store.setNumber(kPlaceKey, QStringLiteral("Left"), m_top->x());
    store.setNumber(kPlaceKey, QStringLiteral("Top"), m_top->y());
}

void MainTopWindow::toggleMain() {
    const Qt::WindowStates notNormal =
        Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    if ((m_window.windowState() & notNormal) || !m_window.isVisible()) {
        m_window.setWindowState(m_window.windowState() & ~notNormal);
        m_window.show();
        m_window.raise();
        m_window.activateWindow();
    } else {
        m_window.showMinimized();
    }
}
