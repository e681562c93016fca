#pragma once

#include <QMainWindow>

class QLabel;

// The main window.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);

private:
    QLabel *m_statusPanel1 = nullptr;
};
