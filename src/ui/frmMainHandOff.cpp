// The main window's way in for hand-offs from the browser, drops on the
// floating drop window and the movie lists of browser-page scans.
#include "browser/BrowserCache.h"
#include "browser/BrowserScanChannel.h"
#include "browser/HandOffServer.h"
#include "browser/PageMovies.h"
#include "browser/WindowPicker.h"
#include "browser/frmSaveSwfto.h"
#include "session/AppCore.h"
#include "ui/MainEditCommands.h"
#include "ui/MainHandOff.h"
#include "ui/MainMenus.h"
#include "ui/MainTopWindow.h"
#include "ui/frmMain.h"
#include "ui/frmMainAdd.h"

#include <QMenu>
#include <QStatusBar>
#include <QTimer>

void frmMain::connectHandOff() {
    m_handOff = new MainHandOff(m_core, *m_menus, *m_add, *this);
    connect(m_handOff->topWindow(), &MainTopWindow::popupWanted, this,
            [this](const QPoint &globalPos) {
                enablePopMain();
                m_menus->menu(QStringLiteral("popMain"))->popup(globalPos);
            });
    m_handOff->flow().showSaveDialog = [this] {
        showFoundMovies(m_core, m_saveSwfto, [this] {
            auto *dialog = new frmSaveSwfto(m_core, m_core.dbCommit(m_io), {}, this);
            dialog->newCategory = [this](QWidget *parent, const QString &key) {
                return m_edit->newCategory(parent, key);
            };
            dialog->jobSaved = [this](int) { m_edit->refreshCompleted(); };
            // The download question's "Yes": the new-job dialog opens once the
            // click has returned.
            dialog->downloadMovie = [this](const QString &url, const QString &comment) {
                HandOffDialog request;
                request.presetUrl = url;
                request.info = comment;
                QTimer::singleShot(0, this, [this, request] { m_add->openHandOff(request); });
            };
            return dialog;
        });
        // The browser just scanned has its cache searched first.
        if (m_saveSwfto) m_saveSwfto->cache().setPreferredBrowser(m_core.scan.FoundBrowser);
        WindowPicker::applyState(this, m_core.SavedMainState);
    };
}

void frmMain::receiveHandOff(const HandOffMessage &message) {
    m_handOff->receive(message);
}

void frmMain::receivePageScan(const PageScanResult &page) {
    // Nothing was picked: the main window stays as it is.
    m_core.SavedMainState = WindowPicker::stateOf(this);
    if (m_handOff->flow().receiveScan(page) == 0)
        statusBar()->showMessage(PageMovies::reportText(0), 8000);
}

void frmMain::listenTo(HandOffServer *server) {
    connect(server, &HandOffServer::handOff, this, &frmMain::receiveHandOff);
    connect(server, &HandOffServer::pageScanned, this, &frmMain::receivePageScan);
    // The extension's ports answer the picker's scans.
    m_handOff->scanChannel()->listenTo(server);
}
