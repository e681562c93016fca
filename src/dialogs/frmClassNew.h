#pragma once

#include "jobs/DbCommit.h"

#include <QDialog>

struct AppCore;
class CategoryPicker;
class QCheckBox;
class QLineEdit;
class QPushButton;

// "Create New Category": a parent chosen in a copy of the tree, a name and a
// folder that follows the parent, the name and the check box. On success the
// category is in the tree and in the job database, and newKey() names it.
class frmClassNew : public QDialog {
    Q_OBJECT
public:
    frmClassNew(AppCore &core, DbCommit commit, const QString &selectedKey,
                QWidget *parent = nullptr);

    QString newKey() const { return m_newKey; }

    CategoryPicker *tvClass = nullptr;
    QLineEdit *txtClassName = nullptr;
    QLineEdit *txtDir = nullptr;
    QCheckBox *Check1 = nullptr;
    QPushButton *cmdBrowse = nullptr;
    QPushButton *cmdCreate = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void updateDir();
    void create();
    AppCore &m_core;
    DbCommit m_commit;
    QString m_newKey;
};
