#include "mail/frmTellFriend.h"

#include "kit/MsgBox.h"
#include "kit/PlaceDialog.h"
#include "mail/SmtpDialogue.h"
#include "update/UpdateConfig.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
template <class W> W *named(W *widget, const char *name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

QString frmTellFriend::DefaultContent() {
    const QString home = UpdateConfig::HomePage();
    return QStringLiteral(
               "Hi,\n\n"
               "I have been using MoorQuill, a free download manager that is very good with "
               "Flash movies. It downloads a file over several connections at once, can pause "
               "and continue a download even after the computer was switched off, finds every "
               "movie on a web page for you, files the movies in categories and plays them "
               "right in its window.\n\n"
               "Give it a try, I think you will like it.\n\n"
               "Website: %1\nDownload: %2\n")
        .arg(home, home + QStringLiteral("download.htm"));
}

frmTellFriend::frmTellFriend(modMXQuery &mx, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmTellFriend"));
    setWindowTitle(QStringLiteral("Tell Friend Good Software"));
    setModal(true);
    txtFrom = named(new QLineEdit(QStringLiteral("Input your email address"), this), "txtFrom");
    txtTo = named(new QLineEdit(QStringLiteral("Input your friend email address"), this), "txtTo");
    txtSubject = named(new QLineEdit(QStringLiteral("Hi, A good software - - Moorquill"), this),
                       "txtSubject");
    txtContent = named(new QPlainTextEdit(this), "txtContent");
    txtContent->setPlainText(DefaultContent());
    List1 = named(new QListWidget(this), "List1");
    cmdSend = named(new QPushButton(QStringLiteral("&Send"), this), "cmdSend");
    cmdCancel = named(new QPushButton(QStringLiteral("&Cancel"), this), "cmdCancel");

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("From (Sender)"), txtFrom);
    form->addRow(QStringLiteral("To (Receiver)"), txtTo);
    form->addRow(QStringLiteral("Subject"), txtSubject);
    auto *content = new QGroupBox(QStringLiteral("Content"), this);
    (new QVBoxLayout(content))->addWidget(txtContent);
    auto *status = new QGroupBox(QStringLiteral("Status"), this);
    (new QVBoxLayout(status))->addWidget(List1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSend);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(content, 2);
    layout->addWidget(status, 1);
    layout->addLayout(buttons);
    resize(520, 560);

    m_dialogue = new SmtpDialogue(mx, this);
    connect(m_dialogue, &SmtpDialogue::logged, this, &frmTellFriend::AddLog);
    connect(m_dialogue, &SmtpDialogue::finished, this, [this] { cmdSend->setEnabled(true); });
    connect(cmdSend, &QPushButton::clicked, this, &frmTellFriend::cmdSend_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    PlaceDialog(this);
}

void frmTellFriend::AddLog(const QString &text) {
    List1->addItem(text);
    List1->setCurrentRow(List1->count() - 1);
}

void frmTellFriend::cmdSend_Click() {
    if (txtFrom->text().isEmpty()) {
        txtFrom->setFocus();
        MsgBox::show(this, QStringLiteral("Please input your email adddress ."));
        return;
    }
    if (txtTo->text().isEmpty()) {
        txtTo->setFocus();
        MsgBox::show(this, QStringLiteral("Please input your friend's email adddress ."));
        return;
    }
    cmdSend->setEnabled(false);
    m_dialogue->Send(
        {txtFrom->text(), txtTo->text(), txtSubject->text(), txtContent->toPlainText()});
}
