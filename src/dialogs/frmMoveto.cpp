#include "dialogs/frmMoveto.h"

#include "dialogs/CategoryPicker.h"
#include "jobs/JobEdit.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QGridLayout>

using namespace DialogKit;

frmMoveto::frmMoveto(AppCore &core, DbCommit commit, QVector<int> jobs, const QString &shownKey,
                     QWidget *parent)
    : QDialog(parent), m_core(core), m_commit(std::move(commit)), m_jobs(std::move(jobs)),
      m_shownKey(shownKey) {
    setObjectName(QStringLiteral("frmMoveto"));
    setWindowTitle(QStringLiteral("Move File To . . ."));
    setModal(true);
    tvClass = new CategoryPicker(core.tree, shownKey, this);
    lblPath = named(new QLabel(this), "lblPath");
    chkMoveFile = check(this, "chkMoveFile", QStringLiteral("Move File"));
    cmdOK = button(this, "cmdOK", QStringLiteral("OK"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(label(this, QStringLiteral("Please choose cagetory :")), 0, 0, 1, 3);
    grid->addWidget(tvClass, 1, 0, 1, 3);
    grid->addWidget(label(this, QStringLiteral("Cagetory Path")), 2, 0);
    grid->addWidget(lblPath, 2, 1, 1, 2);
    grid->addWidget(chkMoveFile, 3, 0);
    grid->addWidget(cmdOK, 3, 1);
    grid->addWidget(cmdCancel, 3, 2);
    connect(tvClass, &CategoryPicker::categoryChosen, this, &frmMoveto::showPath);
    connect(cmdOK, &QPushButton::clicked, this, &frmMoveto::moveTo);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    showPath(tvClass->currentKey());
}

void frmMoveto::showPath(const QString &key) {
    QStringList names;
    for (const CategoryStore::Node *p = m_core.tree.find(key); p; p = p->parent)
        names.prepend(p->text);
    lblPath->setText(names.join(QLatin1Char('/')));
}

void frmMoveto::moveTo() {
    const EditResult result = JobEdit::moveJobs(
        m_core.tree, m_core.DownJobs, m_core.lists, m_jobs, tvClass->currentKey(), m_shownKey,
        chkMoveFile->isChecked(), [this](const QString &) { return MsgBox::askOverwrite(this); },
        m_commit);
    if (!result.message.isEmpty()) MsgBox::information(this, result.message);
    accept();
}
