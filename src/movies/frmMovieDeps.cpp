#include "movies/frmMovieDeps.h"

#include "kit/PlaceDialog.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

frmMovieDeps::frmMovieDeps(const QString &movie, const QStringList &addresses, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmMovieDeps"));
    setWindowTitle(QStringLiteral("Files the Movie Loads"));
    auto *layout = new QVBoxLayout(this);
    auto *note =
        new QLabel(QStringLiteral("The movie %1 loads these files as it plays. The checked "
                                  "ones are downloaded into its folder:")
                       .arg(QFileInfo(movie).fileName()),
                   this);
    note->setObjectName(QStringLiteral("lblDepsNote"));
    note->setWordWrap(true);
    layout->addWidget(note);
    lvDeps = new QTreeWidget(this);
    lvDeps->setObjectName(QStringLiteral("lvDeps"));
    lvDeps->setHeaderLabels({QStringLiteral("Url")});
    lvDeps->setRootIsDecorated(false);
    for (const QString &address : addresses) {
        auto *item = new QTreeWidgetItem(lvDeps, {address});
        item->setCheckState(0, Qt::Checked);
    }
    layout->addWidget(lvDeps, 1);
    auto *buttons = new QHBoxLayout;
    cmdCheckAll = new QPushButton(QStringLiteral("Check &All"), this);
    cmdUncheckAll = new QPushButton(QStringLiteral("&Uncheck All"), this);
    cmdOk = new QPushButton(QStringLiteral("&Download"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCheckAll->setObjectName(QStringLiteral("cmdCheckAll"));
    cmdUncheckAll->setObjectName(QStringLiteral("cmdUncheckAll"));
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(cmdCheckAll);
    buttons->addWidget(cmdUncheckAll);
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);
    cmdOk->setDefault(true);
    connect(cmdCheckAll, &QPushButton::clicked, this, [this] { checkAll(true); });
    connect(cmdUncheckAll, &QPushButton::clicked, this, [this] { checkAll(false); });
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(560, 320);
    PlaceDialog(this);
}

void frmMovieDeps::checkAll(bool on) {
    for (int i = 0; i < lvDeps->topLevelItemCount(); ++i)
        lvDeps->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

QStringList frmMovieDeps::checkedAddresses() const {
    QStringList out;
    for (int i = 0; i < lvDeps->topLevelItemCount(); ++i)
        if (lvDeps->topLevelItem(i)->checkState(0) == Qt::Checked)
            out << lvDeps->topLevelItem(i)->text(0);
    return out;
}
