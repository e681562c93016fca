#include "dialogs/frmComment.h"

#include "jobs/JobEdit.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QGridLayout>
#include <QPlainTextEdit>

using namespace DialogKit;

frmComment::frmComment(AppCore &core, DbCommit commit, int job, QWidget *parent)
    : QDialog(parent), m_core(core), m_commit(std::move(commit)), m_job(job) {
    setObjectName(QStringLiteral("frmComment"));
    setWindowTitle(QStringLiteral("Comment"));
    setModal(true);
    txtComment = named(new QPlainTextEdit(this), "txtComment");
    if (core.DownJobs.isValid(job)) txtComment->setPlainText(core.DownJobs[job].Comment);
    cmdOK = button(this, "cmdOK", QStringLiteral("OK"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(txtComment, 0, 0, 1, 3);
    grid->addWidget(cmdOK, 1, 1);
    grid->addWidget(cmdCancel, 1, 2);
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        const EditResult result =
            JobEdit::setComment(m_core.DownJobs, m_job, txtComment->toPlainText(), m_commit);
        if (!result.message.isEmpty()) MsgBox::information(this, result.message);
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}
