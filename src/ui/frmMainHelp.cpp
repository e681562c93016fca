// The main window's Help menu: the update check, the home page and the
// tell-a-friend mailer (also on the tray's pop-up menu).
#include "mail/frmTellFriend.h"
#include "mail/modMXQuery.h"
#include "platform/AppFolder.h"
#include "platform/RegistryStore.h"
#include "session/AppCore.h"
#include "ui/MainMenus.h"
#include "ui/frmMain.h"
#include "update/UpdateConfig.h"
#include "update/frmCheckNew.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QInputDialog>
#include <QUrl>

namespace {
// The lookup's servers and domain are found once per run and kept.
modMXQuery &mxLookup() {
    static modMXQuery mx;
    return mx;
}
} // namespace

void frmMain::connectHelp() {
    auto on = [this](const char *name, auto handler) {
        QAction *action = m_menus->action(QString::fromLatin1(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, handler);
    };
    on("mnuHelp_HomePage", [] { QDesktopServices::openUrl(QUrl(UpdateConfig::HomePage())); });
    on("mnuHelp_New", [this] {
        const HostPort server = UpdateConfig::UpdateServer();
        auto *dialog = new frmCheckNew(server.host, server.port, m_core.paths.AppVersion, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->downloadNow = [this](const QString &url) {
            if (newDownload) newDownload(url);
        };
        dialog->moreInformation = [] { QDesktopServices::openUrl(QUrl(UpdateConfig::HomePage())); };
        dialog->open();
    });
    on("mnuTellFriend", [this] {
        modMXQuery &mx = mxLookup();
        const QString folder = applicationFolder(QCoreApplication::applicationDirPath());
        mx.registryRead = [folder](const QString &key, const QString &value) {
            return RegistryStore(RegistryStore::defaultPath(folder))
                .readString(QStringLiteral("HKEY_LOCAL_MACHINE"), key, value);
        };
        auto *dialog = new frmTellFriend(mx, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        mx.askDnsServer = [dialog] {
            return QInputDialog::getText(
                dialog, QStringLiteral("Input DNS Server Ip"),
                QStringLiteral(" No DNS entries found,Please Input The DNS Server Ip:"));
        };
        connect(dialog, &QObject::destroyed, this, [] { mxLookup().askDnsServer = nullptr; });
        dialog->open();
    });
    m_menus->action(QStringLiteral("popMain_Tell"))->setEnabled(true);
}
