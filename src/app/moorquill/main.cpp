#include "CommandLine.h"
#include "browser/HandOffJson.h"
#include "browser/HandOffServer.h"
#include "browser/HandOffSocket.h"
#include "browser/NativeHostManifests.h"
#include "kit/MsgBox.h"
#include "platform/AppFolder.h"
#include "session/AppCore.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

// One program per user: a second start asks the first to show its window.
bool showRunningCopy(const QString &socketPath) {
    return HandOffSocket::send(socketPath, HandOffJson::show(), 3000, nullptr);
}

void bringToFront(QWidget &window) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

// A folder the program cannot write ends it before anything is loaded.
bool stateFolderUsable(const QString &folder) {
    QString error;
    if (prepareApplicationFolder(folder, &error)) return true;
    QTextStream(stderr) << "moorquill: " << error << "\n";
    // On the offscreen platform nobody could close the box.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) MsgBox::show(nullptr, error);
    return false;
}

} // namespace

int main(int argc, char *argv[]) {
    if (const std::optional<int> status = answerCommandLine(argc, argv)) return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MoorQuill"));
    // Wayland desktops find the menu entry's icon and name through this.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.moorquill.MoorQuill"));
    const QString socketPath = HandOffSocket::path();
    if (showRunningCopy(socketPath)) return 0;
    const QString folder = applicationFolder(QCoreApplication::applicationDirPath());
    if (!stateFolderUsable(folder)) return 1;
    HandOffServer handOffs;
    QString listenError;
    if (!handOffs.listen(socketPath, &listenError)) {
        // Another copy listens (started at the same moment, or still loading).
        if (HandOffSocket::answers(socketPath)) {
            showRunningCopy(socketPath);
            return 0;
        }
        qWarning("browser hand-off unavailable: %s", qPrintable(listenError));
    }
    // Start-up: paths and empty tables, then the main window and its load.
    AppCore core;
    core.paths = AppPaths::forFolder(folder);
    frmMain window(core);
    QObject::connect(&handOffs, &HandOffServer::showRequested, &window,
                     [&window] { bringToFront(window); });
    window.listenTo(&handOffs);
    window.load();
    // The browsers find the host through manifests rewritten at every start.
    const QString host = QCoreApplication::applicationDirPath() + QStringLiteral("/moorquill-host");
    if (QFileInfo(host).isExecutable()) NativeHostManifests::writeAll(QDir::homePath(), host);
    return app.exec();
}
