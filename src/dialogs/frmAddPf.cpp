#include "dialogs/frmAddPf.h"

#include "base/OleDate.h"
#include "dialogs/CategoryPicker.h"
#include "jobs/ImportFiles.h"
#include "jobs/ListTexts.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>

using namespace DialogKit;

void wireCategoryBox(AppCore &core, QComboBox *box, QLineEdit *dir, QPushButton *newButton,
                     const QString &selectedKey,
                     const std::function<QString(QWidget *, const QString &)> *newCategory) {
    QObject::connect(box, &QComboBox::currentIndexChanged, dir, [&core, box, dir] {
        dir->setText(categoryFolder(core.tree, box->currentData().toString()));
    });
    fillCategoryCombo(box, core.tree, selectedKey);
    dir->setText(categoryFolder(core.tree, box->currentData().toString()));
    QObject::connect(newButton, &QPushButton::clicked, box, [&core, box, newCategory] {
        if (!*newCategory) return;
        const QString key = (*newCategory)(box->window(), box->currentData().toString());
        if (!key.isEmpty()) fillCategoryCombo(box, core.tree, key);
    });
}

frmAddPf::frmAddPf(AppCore &core, DbCommit commit, const QString &selectedKey, QWidget *parent)
    : QDialog(parent), m_core(core), m_commit(std::move(commit)) {
    setObjectName(QStringLiteral("frmAddPf"));
    setWindowTitle(QStringLiteral("Import Previous File . . ."));
    setModal(true);
    txtFileName = edit(this, "txtFileName");
    cmdBrowse = button(this, "cmdBrowse", QStringLiteral("&Browse"));
    cmbClass = named(new QComboBox(this), "cmbClass");
    cmdClass = button(this, "cmdClass", QStringLiteral("&Category"));
    txtDir = edit(this, "txtDir");
    txtFileSize = edit(this, "txtFileSize");
    txtFileDate = edit(this, "txtFileDate");
    txtRef = edit(this, "txtRef");
    txtComment = edit(this, "txtComment");
    chkMoveFile = check(this, "chkMoveFile", QStringLiteral("Move File"));
    cmdAdd = button(this, "cmdAdd", QStringLiteral("&Import File"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    for (QLineEdit *shown : {txtDir, txtFileSize, txtFileDate})
        shown->setReadOnly(true);

    auto *grid = new QGridLayout(this);
    const struct {
        const char *caption;
        QWidget *field, *side;
    } rows[] = {{"Filename", txtFileName, cmdBrowse}, {"Category", cmbClass, cmdClass},
                {"Directory", txtDir, nullptr},       {"Size", txtFileSize, nullptr},
                {"Date", txtFileDate, nullptr},       {"URL", txtRef, nullptr},
                {"Comment", txtComment, nullptr}};
    int r = 0;
    for (const auto &row : rows) {
        grid->addWidget(label(this, QString::fromLatin1(row.caption)), r, 0);
        grid->addWidget(row.field, r, 1, 1, row.side ? 1 : 2);
        if (row.side) grid->addWidget(row.side, r, 2);
        ++r;
    }
    grid->addWidget(chkMoveFile, r, 0);
    grid->addWidget(cmdAdd, r, 1);
    grid->addWidget(cmdCancel, r, 2);

    wireCategoryBox(core, cmbClass, txtDir, cmdClass, selectedKey, &newCategory);
    connect(txtFileName, &QLineEdit::textChanged, this, &frmAddPf::fileChanged);
    connect(cmdBrowse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, QStringLiteral("Open File"), txtFileName->text(),
            QStringLiteral("Flash File (*.swf);;Zip File (*.zip);;All Files (*.*)"));
        if (!path.isEmpty()) txtFileName->setText(path);
    });
    connect(cmdAdd, &QPushButton::clicked, this, &frmAddPf::importFile);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmAddPf::fileChanged() {
    const QFileInfo info(txtFileName->text());
    if (!info.isFile()) return;
    txtFileDate->setText(ListTexts::generalDate(OleDate::fromDateTime(info.lastModified())));
    txtFileSize->setText(QString::number(info.size()));
}

void frmAddPf::importFile() {
    const QString path = txtFileName->text();
    if (path.isEmpty()) {
        MsgBox::information(this, QStringLiteral("Please Input FileName First!"));
        txtFileName->setFocus();
        return;
    }
    if (!QFileInfo(path).isFile()) {
        MsgBox::information(this, QStringLiteral("The File Not Found!"));
        txtFileName->setFocus();
        return;
    }
    QVector<int> added;
    const EditResult result = ImportFiles::importItems(
        m_core.tree, m_core.DownJobs, cmbClass->currentData().toString(),
        {ImportFiles::Item{path, txtRef->text(), txtComment->text()}}, chkMoveFile->isChecked(),
        [this](const QString &) { return MsgBox::askOverwrite(this); }, m_commit, &added);
    if (!result.message.isEmpty()) MsgBox::information(this, result.message);
    if (added.isEmpty()) return; // the dialog stays open for another try
    m_added = added.first();
    accept();
}
