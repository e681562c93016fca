#pragma once

#include "jobs/DbCommit.h"

#include <QDialog>
#include <functional>

struct AppCore;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// "Import Previous File . . .": one file already on disk becomes a finished
// job of the chosen category, optionally moved into the category's folder.
class frmAddPf : public QDialog {
    Q_OBJECT
public:
    frmAddPf(AppCore &core, DbCommit commit, const QString &selectedKey, QWidget *parent = nullptr);

    // "&Category": creates a category and returns its key (empty when none).
    std::function<QString(QWidget *parent, const QString &selectedKey)> newCategory;
    int addedJob() const { return m_added; }

    QLineEdit *txtFileName = nullptr;
    QPushButton *cmdBrowse = nullptr;
    QComboBox *cmbClass = nullptr;
    QPushButton *cmdClass = nullptr;
    QLineEdit *txtDir = nullptr;
    QLineEdit *txtFileSize = nullptr;
    QLineEdit *txtFileDate = nullptr;
    QLineEdit *txtRef = nullptr;
    QLineEdit *txtComment = nullptr;
    QCheckBox *chkMoveFile = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void fileChanged();
    void importFile();
    AppCore &m_core;
    DbCommit m_commit;
    int m_added = 0;
};

// The category box of the import dialogs: filled from the tree with
// `selectedKey` chosen; the folder of the chosen category goes into `dir`;
// "&Category" creates a category through `newCategory` and chooses it.
void wireCategoryBox(AppCore &core, QComboBox *box, QLineEdit *dir, QPushButton *newButton,
                     const QString &selectedKey,
                     const std::function<QString(QWidget *, const QString &)> *newCategory);
