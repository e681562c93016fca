#pragma once

#include "jobs/DbCommit.h"

#include <QDialog>
#include <QVector>
#include <functional>

struct AppCore;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// "Import Previous Batch File . . .": the checked files of one folder become
// finished jobs of the chosen category, optionally moved into its folder.
class frmAddPbf : public QDialog {
    Q_OBJECT
public:
    frmAddPbf(AppCore &core, DbCommit commit, const QString &selectedKey,
              QWidget *parent = nullptr);

    std::function<QString(QWidget *parent, const QString &selectedKey)> newCategory;
    const QVector<int> &addedJobs() const { return m_added; }
    // AddFiletoLv: lists the folder's files of the chosen type.
    void AddFiletoLv();

    QLineEdit *txtDirName = nullptr;
    QPushButton *cmdBrowse = nullptr;
    QComboBox *Combo1 = nullptr;
    QTreeWidget *lvFile = nullptr;
    QPushButton *Command1 = nullptr; // Select All
    QPushButton *Command2 = nullptr; // Invert Selection
    QPushButton *Command3 = nullptr; // Check All Selection
    QPushButton *Command4 = nullptr; // Uncheck All Selection
    QPushButton *Command5 = nullptr; // Check All
    QPushButton *Command6 = nullptr; // Refresh
    QComboBox *cmbClass = nullptr;
    QPushButton *cmdClass = nullptr;
    QLineEdit *txtDir = nullptr;
    QCheckBox *chkMoveFile = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void importFiles();
    AppCore &m_core;
    DbCommit m_commit;
    QVector<int> m_added;
};
