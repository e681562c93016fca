#pragma once

#include "jobs/DbCommit.h"

#include <QDialog>

struct AppCore;
class QLabel;
class QPushButton;

// "Delete Category": deletes the category `key` with its sub-tree; its
// complete jobs go to the recycle category.
class frmClassD : public QDialog {
    Q_OBJECT
public:
    frmClassD(AppCore &core, DbCommit commit, const QString &key, QWidget *parent = nullptr);

    QLabel *lblClassName = nullptr;
    QLabel *lblDir = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void remove();
    AppCore &m_core;
    DbCommit m_commit;
    QString m_key;
};
