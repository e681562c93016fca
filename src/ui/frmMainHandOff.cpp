// The main window's way in for hand-offs from the browser, drops on the
// floating drop window and the movie lists of browser-page scans.
#include "browser/BrowserCache.h"
#include "browser/PageMovies.h"
#include "browser/WindowPicker.h"
#include "browser/frmSaveSwfto.h"
#include "core/AppCore.h"
#include "ui/MainEditCommands.h"
#include "ui/MainHandOff.h"
#include "ui/frmMain.h"
#include "ui/frmMainAdd.h"

#include <QStatusBar>
#include <QTimer>

void frmMain::connectHandOff() {
    m_handOff = new MainHandOff(*this, m_core);
    m_handOff->flow().showSaveDialog = [this] {
        showFoundMovies(m_core, m_saveSwfto, [this] {
            auto *dialog = new frmSaveSwfto(m_core, DbCommit{m_core, m_io}, {}, this);
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
        if (m_saveSwfto) m_saveSwfto->cache().setPreferredBrowser(m_core.FoundBrowser);
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
