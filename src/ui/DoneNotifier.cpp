#include "ui/DoneNotifier.h"

#include "jobs/DownJobRecord.h"
#include "jobs/JobTable.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QEvent>
#include <QFileInfo>
#include <QUrl>
#include <QWidget>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kFileManager = QStringLiteral("org.freedesktop.FileManager1");
} // namespace

DoneNotifier::DoneNotifier(const JobTable &jobs, QWidget &mainWindow)
    : QObject(&mainWindow), m_jobs(jobs), m_window(mainWindow) {
    open = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    m_window.installEventFilter(this);
}

bool DoneNotifier::eventFilter(QObject *watched, QEvent *event) {
    if (watched == &m_window && event->type() == QEvent::Show) m_windowShown = true;
    return false;
}

void DoneNotifier::jobFinished(int job, int state) {
    if (state != StateComplete || !m_jobs.isValid(job) || !m_windowShown) return;
    if (m_window.isVisible() && !m_window.isMinimized()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    if (!m_connected) {
        bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                    SLOT(actionInvoked(uint, QString)));
        bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                    SLOT(notificationClosed(uint, uint)));
        m_connected = true;
    }
    const QFileInfo file(m_jobs[job].SavePath.trimmed());
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("org.moorquill.MoorQuill")},
        {QStringLiteral("category"), QStringLiteral("transfer.complete")}};
    call << QStringLiteral("MoorQuill") << uint(0) << QStringLiteral("moorquill")
         << QStringLiteral("Download complete")
         << QStringLiteral("%1 in %2").arg(file.fileName(), file.absolutePath()).toHtmlEscaped()
         << QStringList{QStringLiteral("open"), QStringLiteral("Open"), QStringLiteral("folder"),
                        QStringLiteral("Show in folder")}
         << hints << -1;
    const QString path = file.absoluteFilePath();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, path](QDBusPendingCallWatcher *w) {
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isValid()) m_files.insert(reply.value(), path);
                w->deleteLater();
            });
}

void DoneNotifier::actionInvoked(uint id, const QString &action) {
    const QString file = m_files.value(id);
    if (file.isEmpty()) return; // another program's notification
    if (action == QLatin1String("open"))
        open(QUrl::fromLocalFile(file));
    else if (action == QLatin1String("folder"))
        showInFolder(file);
}

void DoneNotifier::notificationClosed(uint id, uint) {
    m_files.remove(id);
}

// The file manager selects the file where it offers that; else the folder opens.
void DoneNotifier::showInFolder(const QString &file) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface *names = bus.interface();
    if (names && (names->isServiceRegistered(kFileManager) ||
                  names->activatableServiceNames().value().contains(kFileManager))) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kFileManager, QStringLiteral("/org/freedesktop/FileManager1"), kFileManager,
            QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)} << QString();
        bus.call(call, QDBus::NoBlock);
        return;
    }
    open(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}
