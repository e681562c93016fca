#pragma once

#include "jobs/DbCommit.h"

#include <QDialog>

struct AppCore;
class CategoryPicker;
class QCheckBox;
class QLabel;
class QPushButton;

// "Move Category To . . .": moves the category `key` (with its sub-tree)
// below the category chosen in the copy of the tree; with "Move File" the
// files of its finished jobs move into the target's folder.
class frmClassMoveto : public QDialog {
    Q_OBJECT
public:
    frmClassMoveto(AppCore &core, DbCommit commit, const QString &key, QWidget *parent = nullptr);

    QLabel *lblClassName = nullptr;
    QLabel *lblDir = nullptr;
    CategoryPicker *tvClass = nullptr;
    QCheckBox *chkMoveFile = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void moveTo();
    AppCore &m_core;
    DbCommit m_commit;
    QString m_key;
};
