#include "dialogs/frmClassP.h"

#include "jobs/CategoryEdit.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QGridLayout>

using namespace DialogKit;

frmClassP::frmClassP(AppCore &core, DbCommit commit, const QString &key, QWidget *parent)
    : QDialog(parent), m_core(core), m_commit(std::move(commit)), m_key(key) {
    setObjectName(QStringLiteral("frmClassP"));
    setWindowTitle(QStringLiteral("Category Properties"));
    setModal(true);
    const CategoryStore::Node *node = core.tree.find(key);
    txtClassName = edit(this, "txtClassName", node ? node->text : QString());
    txtDir = edit(this, "txtDir", node ? node->tag : QString());
    cmdBrowse = button(this, "cmdBrowse", QStringLiteral("..."));
    cmdOK = button(this, "cmdOK", QStringLiteral("OK"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(label(this, QStringLiteral("Category name")), 0, 0);
    grid->addWidget(txtClassName, 0, 1, 1, 2);
    grid->addWidget(label(this, QStringLiteral("Default directory")), 1, 0);
    grid->addWidget(txtDir, 1, 1);
    grid->addWidget(cmdBrowse, 1, 2);
    grid->addWidget(cmdOK, 2, 1);
    grid->addWidget(cmdCancel, 2, 2);
    connect(cmdBrowse, &QPushButton::clicked, this, [this] {
        const QString folder = browseFolder(this, txtDir->text());
        if (!folder.isEmpty()) txtDir->setText(CategoryEdit::folderTag(folder));
    });
    connect(cmdOK, &QPushButton::clicked, this, &frmClassP::save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmClassP::save() {
    const EditResult result = CategoryEdit::setProperties(m_core.tree, m_key, txtClassName->text(),
                                                          txtDir->text(), m_commit);
    if (!result.message.isEmpty()) MsgBox::information(this, result.message);
    if (!result.ok) {
        txtClassName->setFocus();
        return;
    }
    accept();
}
