#include "dialogs/frmAddPbf.h"

#include "base/OleDate.h"
#include "dialogs/frmAddPf.h"
#include "jobs/ImportFiles.h"
#include "jobs/ListTexts.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QTreeWidget>

using namespace DialogKit;

frmAddPbf::frmAddPbf(AppCore &core, DbCommit commit, const QString &selectedKey, QWidget *parent)
    : QDialog(parent), m_core(core), m_commit(std::move(commit)) {
    setObjectName(QStringLiteral("frmAddPbf"));
    setWindowTitle(QStringLiteral("Import Previous Batch File . . ."));
    setModal(true);
    txtDirName = edit(this, "txtDirName");
    cmdBrowse = button(this, "cmdBrowse", QStringLiteral("&Browse"));
    Combo1 = named(new QComboBox(this), "Combo1");
    Combo1->addItems(ImportFiles::fileTypes());
    lvFile = named(new QTreeWidget(this), "lvFile");
    lvFile->setHeaderLabels(
        {QStringLiteral("FileName"), QStringLiteral("Size"), QStringLiteral("Date")});
    lvFile->setRootIsDecorated(false);
    lvFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Command1 = button(this, "Command1", QStringLiteral("Select All"));
    Command2 = button(this, "Command2", QStringLiteral("Invert Selection"));
    Command3 = button(this, "Command3", QStringLiteral("Check All Selection"));
    Command4 = button(this, "Command4", QStringLiteral("Uncheck All Selection"));
    Command5 = button(this, "Command5", QStringLiteral("Check All"));
    Command6 = button(this, "Command6", QStringLiteral("Refresh"));
    cmbClass = named(new QComboBox(this), "cmbClass");
    cmdClass = button(this, "cmdClass", QStringLiteral("&Category"));
    txtDir = edit(this, "txtDir");
    txtDir->setReadOnly(true);
    chkMoveFile = check(this, "chkMoveFile", QStringLiteral("Move File"));
    cmdAdd = button(this, "cmdAdd", QStringLiteral("&Import Select Files"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(txtDirName, 0, 0, 1, 4);
    grid->addWidget(cmdBrowse, 0, 4);
    grid->addWidget(label(this, QStringLiteral("FileType")), 0, 5);
    grid->addWidget(Combo1, 0, 6);
    grid->addWidget(lvFile, 1, 0, 1, 7);
    int column = 0;
    for (QPushButton *b : {Command1, Command2, Command3, Command4, Command5, Command6})
        grid->addWidget(b, 2, column++);
    grid->addWidget(label(this, QStringLiteral("Category")), 3, 0);
    grid->addWidget(cmbClass, 3, 1, 1, 3);
    grid->addWidget(cmdClass, 3, 4);
    grid->addWidget(label(this, QStringLiteral("Directory")), 4, 0);
    grid->addWidget(txtDir, 4, 1, 1, 6);
    grid->addWidget(chkMoveFile, 5, 0);
    grid->addWidget(cmdAdd, 5, 4);
    grid->addWidget(cmdCancel, 5, 5);

    wireCategoryBox(core, cmbClass, txtDir, cmdClass, selectedKey, &newCategory);
    auto rows = [this] {
        QList<QTreeWidgetItem *> items;
        for (int i = 0; i < lvFile->topLevelItemCount(); ++i)
            items.append(lvFile->topLevelItem(i));
        return items;
    };
    connect(Combo1, &QComboBox::currentIndexChanged, this, &frmAddPbf::AddFiletoLv);
    connect(Command6, &QPushButton::clicked, this, &frmAddPbf::AddFiletoLv);
    connect(txtDirName, &QLineEdit::editingFinished, this, &frmAddPbf::AddFiletoLv);
    connect(cmdBrowse, &QPushButton::clicked, this, [this] {
        const QString folder = browseFolder(this, txtDirName->text());
        if (folder.isEmpty()) return;
        txtDirName->setText(ImportFiles::folderText(folder));
        AddFiletoLv();
    });
    connect(Command1, &QPushButton::clicked, lvFile, &QTreeWidget::selectAll);
    connect(Command2, &QPushButton::clicked, this, [rows] {
        for (QTreeWidgetItem *item : rows())
            item->setSelected(!item->isSelected());
    });
    connect(Command3, &QPushButton::clicked, this, [rows] {
        for (QTreeWidgetItem *item : rows())
            item->setCheckState(0, item->isSelected() ? Qt::Checked : Qt::Unchecked);
    });
    connect(Command4, &QPushButton::clicked, this, [rows] {
        for (QTreeWidgetItem *item : rows())
            if (item->isSelected()) item->setCheckState(0, Qt::Unchecked);
    });
    connect(Command5, &QPushButton::clicked, this, [rows] {
        for (QTreeWidgetItem *item : rows())
            item->setCheckState(0, Qt::Checked);
    });
    connect(cmdAdd, &QPushButton::clicked, this, &frmAddPbf::importFiles);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmAddPbf::AddFiletoLv() {
    lvFile->clear();
    for (const ImportFiles::FileRow &file :
         ImportFiles::listFolder(txtDirName->text(), Combo1->currentText())) {
        auto *item = new QTreeWidgetItem(
            lvFile, {file.name, QString::number(file.size),
                     ListTexts::generalDate(OleDate::fromDateTime(file.modified))});
        item->setCheckState(0, Qt::Unchecked);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, Qt::UserRole, file.path);
    }
}

void frmAddPbf::importFiles() {
    const QString folder = txtDirName->text();
    if (folder.isEmpty()) {
        MsgBox::information(this, QStringLiteral("Please Select Folder First!"));
        return;
    }
    if (ImportFiles::listFolder(folder, QStringLiteral("*")).isEmpty()) {
        MsgBox::information(this, QStringLiteral("The folder Not Found!"));
        txtDirName->setFocus();
        return;
    }
    QVector<ImportFiles::Item> items;
    for (int i = 0; i < lvFile->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = lvFile->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked)
            items.append(ImportFiles::Item{item->data(0, Qt::UserRole).toString(), {}, {}});
    }
    const EditResult result = ImportFiles::importItems(
        m_core.tree, m_core.DownJobs, cmbClass->currentData().toString(), items,
        chkMoveFile->isChecked(), [this](const QString &) { return MsgBox::askOverwrite(this); },
        m_commit, &m_added);
    if (!result.message.isEmpty()) MsgBox::information(this, result.message);
    accept();
}
