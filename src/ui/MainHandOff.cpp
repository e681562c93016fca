#include "ui/MainHandOff.h"

#include "browser/BrowserMenuRegistration.h"
#include "browser/BrowserScanChannel.h"
#include "kit/MsgBox.h"
#include "platform/RegistryStore.h"
#include "session/AppCore.h"
#include "ui/MainMenus.h"
#include "ui/MainTopWindow.h"
#include "ui/frmMainAdd.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>

MainHandOff::MainHandOff(AppCore &core, MainMenus &menus, MainAddCommands &add, QMainWindow &window)
    : QObject(&window), m_window(window), m_flow(core.scan, add.NewJobMode, this) {
    setObjectName(QStringLiteral("MainHandOff"));
    m_text1 = new QLineEdit(&window);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->hide();
    connect(m_text1, &QLineEdit::textChanged, &m_flow, &HandOffFlow::setText1);
    connect(&m_flow, &HandOffFlow::text1Changed, m_text1, &QLineEdit::setText);
    connect(&m_flow, &HandOffFlow::refused, this,
            [this](const QString &reason) { m_window.statusBar()->showMessage(reason, 8000); });

    connect(&add, &MainAddCommands::dialogClosed, &m_flow, &HandOffFlow::dialogClosed);
    m_flow.dialogOpen = [&add] { return add.isDialogOpen(); };
    m_flow.openDialog = [&add](const HandOffDialog &request) { add.openHandOff(request); };
    m_flow.mainMinimised = [this] { return m_window.isMinimized(); };
    QAction *pop = menus.action(QStringLiteral("mnuView_Pop"));
    m_flow.toggleTopWindow = [pop] { pop->trigger(); };
    m_scan = new BrowserScanChannel(this);
    m_top = new MainTopWindow(core, menus, window, m_flow, m_scan);
    if (!core.paths.SettingsPath.isEmpty())
        m_appFolder = QFileInfo(core.paths.SettingsPath).absolutePath();
}

void MainHandOff::registerBrowserMenu() {
    if (m_appFolder.isEmpty()) return;
    RegistryStore store(RegistryStore::defaultPath(m_appFolder));
    store.showMessage = [this](const QString &text) { MsgBox::show(&m_window, text); };
    BrowserMenuRegistration::registerEntries(store, QCoreApplication::applicationDirPath(),
                                             QLatin1Char('/'));
}

void MainHandOff::receive(const HandOffMessage &message) {
    m_flow.receive(message);
}
