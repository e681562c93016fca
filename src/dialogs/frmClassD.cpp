#include "dialogs/frmClassD.h"

#include "jobs/CategoryEdit.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QGridLayout>

using namespace DialogKit;

frmClassD::frmClassD(AppCore &core, DbCommit commit, const QString &key, QWidget *parent)
    : QDialog(parent), m_core(core), m_commit(std::move(commit)), m_key(key) {
    setObjectName(QStringLiteral("frmClassD"));
    setWindowTitle(QStringLiteral("Delete Category"));
    setModal(true);
    const CategoryStore::Node *node = core.tree.find(key);
    lblClassName = named(new QLabel(node ? node->text : QString(), this), "lblClassName");
    lblDir = named(new QLabel(node ? node->tag : QString(), this), "lblDir");
    cmdOK = button(this, "cmdOK", QStringLiteral("OK"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(
        label(this,
              QStringLiteral("Do you really want to delete this category and its sub category ?")),
        0, 0, 1, 3);
    grid->addWidget(label(this, QStringLiteral("Category Name")), 1, 0);
    grid->addWidget(lblClassName, 1, 1, 1, 2);
    grid->addWidget(label(this, QStringLiteral("Folder")), 2, 0);
    grid->addWidget(lblDir, 2, 1, 1, 2);
    grid->addWidget(cmdOK, 3, 1);
    grid->addWidget(cmdCancel, 3, 2);
    connect(cmdOK, &QPushButton::clicked, this, &frmClassD::remove);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmClassD::remove() {
    const EditResult result = CategoryEdit::remove(m_core.tree, m_core.DownJobs,
                                                   m_core.lists.lvHaveDown, m_key, m_commit);
    if (!result.ok) {
        MsgBox::error(this, result.message);
        reject();
        return;
    }
    if (!result.message.isEmpty()) MsgBox::information(this, result.message);
    accept();
}
