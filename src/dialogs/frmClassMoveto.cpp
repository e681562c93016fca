#include "dialogs/frmClassMoveto.h"

#include "dialogs/CategoryPicker.h"
#include "jobs/CategoryEdit.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QGridLayout>

using namespace DialogKit;

frmClassMoveto::frmClassMoveto(AppCore &core, DbCommit commit, const QString &key, QWidget *parent)
    : QDialog(parent), m_core(core), m_commit(std::move(commit)), m_key(key) {
    setObjectName(QStringLiteral("frmClassMoveto"));
    setWindowTitle(QStringLiteral("Move Category To . . ."));
    setModal(true);
    const CategoryStore::Node *node = core.tree.find(key);
    lblClassName = named(new QLabel(node ? node->text : QString(), this), "lblClassName");
    lblDir = named(new QLabel(node ? node->tag : QString(), this), "lblDir");
    tvClass =
        new CategoryPicker(core.tree, node && node->parent ? node->parent->key : QString(), this);
    // Ticked, the files of the category's finished jobs move into the target's folder.
    chkMoveFile = check(this, "chkMoveFile", QStringLiteral("Move File"));
    cmdOK = button(this, "cmdOK", QStringLiteral("OK"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(label(this, QStringLiteral("Category name")), 0, 0);
    grid->addWidget(lblClassName, 0, 1, 1, 2);
    grid->addWidget(label(this, QStringLiteral("Default directory")), 1, 0);
    grid->addWidget(lblDir, 1, 1, 1, 2);
    grid->addWidget(label(this, QStringLiteral("Move this item to the selected category:")), 2, 0,
                    1, 3);
    grid->addWidget(tvClass, 3, 0, 1, 3);
    grid->addWidget(chkMoveFile, 4, 0);
    grid->addWidget(cmdOK, 4, 1);
    grid->addWidget(cmdCancel, 4, 2);
    connect(cmdOK, &QPushButton::clicked, this, &frmClassMoveto::moveTo);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmClassMoveto::moveTo() {
    const EditResult result = CategoryEdit::move(
        m_core.tree, m_core.DownJobs, m_key, tvClass->currentKey(), m_commit,
        chkMoveFile->isChecked(), [this](const QString &) { return MsgBox::askOverwrite(this); });
    if (!result.message.isEmpty()) {
        if (result.ok) {
            MsgBox::information(this, result.message);
        } else {
            MsgBox::error(this, result.message);
            return;
        }
    }
    accept();
}
