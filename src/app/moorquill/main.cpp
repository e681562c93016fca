#include "ui/frmMain.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MoorQuill"));
    frmMain window;
    window.show();
    return app.exec();
}
