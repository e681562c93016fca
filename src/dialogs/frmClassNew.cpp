#include "dialogs/frmClassNew.h"

#include "dialogs/CategoryPicker.h"
#include "jobs/CategoryEdit.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QGridLayout>

using namespace DialogKit;

frmClassNew::frmClassNew(AppCore &core, DbCommit commit, const QString &selectedKey,
                         QWidget *parent)
    : QDialog(parent), m_core(core), m_commit(std::move(commit)) {
    setObjectName(QStringLiteral("frmClassNew"));
    setWindowTitle(QStringLiteral("Create New Category"));
    setModal(true);
    tvClass = new CategoryPicker(core.tree, selectedKey, this);
    txtClassName = edit(this, "txtClassName");
    txtDir = edit(this, "txtDir");
    cmdBrowse = button(this, "cmdBrowse", QStringLiteral("..."));
    Check1 = check(this, "Check1", QStringLiteral("Create new directory with category name"));
    cmdCreate = button(this, "cmdCreate", QStringLiteral("Create"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    cmdCreate->setDefault(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label(this, QStringLiteral("Please Chose Parent Category:")), 0, 0, 1, 3);
    grid->addWidget(tvClass, 1, 0, 1, 3);
    grid->addWidget(label(this, QStringLiteral("Category name")), 2, 0);
    grid->addWidget(txtClassName, 2, 1, 1, 2);
    grid->addWidget(label(this, QStringLiteral("Default directory")), 3, 0);
    grid->addWidget(txtDir, 3, 1);
    grid->addWidget(cmdBrowse, 3, 2);
    grid->addWidget(Check1, 4, 0, 1, 3);
    grid->addWidget(cmdCreate, 5, 1);
    grid->addWidget(cmdCancel, 5, 2);

    connect(tvClass, &CategoryPicker::categoryChosen, this, &frmClassNew::updateDir);
    connect(txtClassName, &QLineEdit::textChanged, this, &frmClassNew::updateDir);
    connect(Check1, &QCheckBox::toggled, this, &frmClassNew::updateDir);
    connect(cmdBrowse, &QPushButton::clicked, this, [this] {
        const QString folder = browseFolder(this, txtDir->text());
        if (!folder.isEmpty()) txtDir->setText(folder);
    });
    connect(cmdCreate, &QPushButton::clicked, this, &frmClassNew::create);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    updateDir();
}

void frmClassNew::updateDir() {
    txtDir->setText(CategoryEdit::proposedFolder(categoryFolder(m_core.tree, tvClass->currentKey()),
                                                 txtClassName->text(), Check1->isChecked()));
}

void frmClassNew::create() {
    const EditResult result =
        CategoryEdit::create(m_core.tree, m_core.DownJobs, tvClass->currentKey(),
                             txtClassName->text(), txtDir->text(), Check1->isChecked(), m_commit);
    if (!result.message.isEmpty()) MsgBox::information(this, result.message);
    if (!result.ok) {
        txtClassName->setFocus();
        return;
    }
    m_newKey = result.key;
    accept();
}
