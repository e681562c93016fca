#pragma once

#include "jobs/DbCommit.h"
#include "jobs/JobEdit.h"

#include <QDialog>
#include <QVector>

struct AppCore;
class QCheckBox;
class QPushButton;

// "Delete": confirms deleting jobs in progress (view 2) or jobs of the
// recycle category for good, optionally with their files.
class frmDelete : public QDialog {
    Q_OBJECT
public:
    frmDelete(AppCore &core, DbCommit commit, JobEdit::DeleteKind kind, QVector<int> jobs,
              QWidget *parent = nullptr);

    QCheckBox *Check1 = nullptr; // "Delete Undownload file"
    QCheckBox *Check2 = nullptr; // "Delete Have Downloaded file"
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void remove();
    AppCore &m_core;
    DbCommit m_commit;
    JobEdit::DeleteKind m_kind;
    QVector<int> m_jobs;
};
