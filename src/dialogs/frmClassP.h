#pragma once

#include "jobs/DbCommit.h"

#include <QDialog>

struct AppCore;
class QLineEdit;
class QPushButton;

// Category properties: the name and the folder of the category `key`.
class frmClassP : public QDialog {
    Q_OBJECT
public:
    frmClassP(AppCore &core, DbCommit commit, const QString &key, QWidget *parent = nullptr);

    QLineEdit *txtClassName = nullptr;
    QLineEdit *txtDir = nullptr;
    QPushButton *cmdBrowse = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void save();
    AppCore &m_core;
    DbCommit m_commit;
    QString m_key;
};
