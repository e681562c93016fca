#include "dialogs/frmDelete.h"

#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QGridLayout>

using namespace DialogKit;

frmDelete::frmDelete(AppCore &core, DbCommit commit, JobEdit::DeleteKind kind, QVector<int> jobs,
                     QWidget *parent)
    : QDialog(parent), m_core(core), m_commit(std::move(commit)), m_kind(kind),
      m_jobs(std::move(jobs)) {
    setObjectName(QStringLiteral("frmDelete"));
    setWindowTitle(QStringLiteral("Delete"));
    setModal(true);
    Check1 = check(this, "Check1", QStringLiteral("Delete Undownload file"));
    Check2 = check(this, "Check2", QStringLiteral("Delete Have Downloaded file"));
    cmdDelete = button(this, "cmdDelete", QStringLiteral("&Delete"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(label(this, QStringLiteral("Are you really want to delete this item?")), 0, 0,
                    1, 3);
    grid->addWidget(Check1, 1, 0, 1, 3);
    grid->addWidget(Check2, 2, 0, 1, 3);
    grid->addWidget(cmdDelete, 3, 1);
    grid->addWidget(cmdCancel, 3, 2);
    connect(cmdDelete, &QPushButton::clicked, this, &frmDelete::remove);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmDelete::remove() {
    const bool files =
        m_kind == JobEdit::DeleteKind::Unfinished ? Check1->isChecked() : Check2->isChecked();
    const EditResult result =
        JobEdit::deleteJobs(m_core.DownJobs, m_core.lists, m_kind, m_jobs, files, m_commit);
    if (!result.message.isEmpty()) MsgBox::error(this, result.message);
    accept();
}
