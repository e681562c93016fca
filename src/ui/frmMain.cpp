#include "ui/frmMain.h"

#include <QLabel>
#include <QStatusBar>

frmMain::frmMain(QWidget *parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("MoorQuill"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    m_statusPanel1 = new QLabel(QStringLiteral("MoorQuill 1.3"), this);
    statusBar()->addWidget(m_statusPanel1);
    resize(1000, 700);
}
