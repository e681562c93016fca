#pragma once

#include "jobs/DbCommit.h"

#include <QDialog>

struct AppCore;
class QPlainTextEdit;
class QPushButton;

// The comment of a job: shows it, and "OK" stores the edited text.
class frmComment : public QDialog {
    Q_OBJECT
public:
    frmComment(AppCore &core, DbCommit commit, int job, QWidget *parent = nullptr);

    QPlainTextEdit *txtComment = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    AppCore &m_core;
    DbCommit m_commit;
    int m_job;
};
