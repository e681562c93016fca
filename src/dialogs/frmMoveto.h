#pragma once

#include "jobs/DbCommit.h"

#include <QDialog>
#include <QVector>

struct AppCore;
class CategoryPicker;
class QCheckBox;
class QLabel;
class QPushButton;

// "Move File To . . .": files the selected completed jobs under the chosen
// category; with "Move File" their files move into its folder.
class frmMoveto : public QDialog {
    Q_OBJECT
public:
    frmMoveto(AppCore &core, DbCommit commit, QVector<int> jobs, const QString &shownKey,
              QWidget *parent = nullptr);

    CategoryPicker *tvClass = nullptr;
    QLabel *lblPath = nullptr;
    QCheckBox *chkMoveFile = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void showPath(const QString &key);
    void moveTo();
    AppCore &m_core;
    DbCommit m_commit;
    QVector<int> m_jobs;
    QString m_shownKey;
};
