#pragma once

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTreeWidget;

// "Files the Movie Loads": the addresses a finished movie names, each with
// a check box (all checked), as the page-links mode of the new-job dialog
// lists links; "&Download" makes the checked ones jobs beside the movie.
class frmMovieDeps : public QDialog {
    Q_OBJECT
public:
    frmMovieDeps(const QString &movie, const QStringList &addresses, QWidget *parent = nullptr);
    QStringList checkedAddresses() const;

    QTreeWidget *lvDeps;
    QPushButton *cmdCheckAll, *cmdUncheckAll, *cmdOk, *cmdCancel;

private:
    void checkAll(bool on);
};
