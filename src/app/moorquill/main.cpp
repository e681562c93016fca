#include "core/AppCore.h"
#include "platform/AppFolder.h"
#include "ui/frmMain.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MoorQuill"));
    // Start-up: paths and empty tables, then the main window and its load.
    AppCore core;
    core.paths = AppPaths::forFolder(applicationFolder(QCoreApplication::applicationDirPath()));
    frmMain window(core);
    window.load();
    return app.exec();
}
