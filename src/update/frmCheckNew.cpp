#include "update/frmCheckNew.h"

#include "kit/PlaceDialog.h"
#include "update/UpdateCheck.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmCheckNew::frmCheckNew(const QString &host, quint16 port, const QString &appVersion,
                         QWidget *parent)
    : QDialog(parent), m_check(new UpdateCheck(this)) {
    setObjectName(QStringLiteral("frmCheckNew"));
    setWindowTitle(QStringLiteral("Check Newest Version"));
    setModal(true);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setMinimumSize(320, 60);
    Label1->setWordWrap(true);
    Command1 = new QPushButton(QStringLiteral("DownLoad Now!"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("More Infomation"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    Command1->hide();
    Command2->hide();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch();
    buttons->addWidget(OKButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);

    connect(m_check, &UpdateCheck::labelChanged, Label1, &QLabel::setText);
    connect(m_check, &UpdateCheck::finished, this, [this] {
        if (!m_check->verdict().newer) return;
        QApplication::beep();
        Command1->show();
        Command2->show();
    });
    connect(Command1, &QPushButton::clicked, this, [this] {
        const QString url = m_check->verdict().downSite;
        if (downloadNow) downloadNow(url);
        accept();
    });
    connect(Command2, &QPushButton::clicked, this, [this] {
        if (moreInformation) moreInformation();
    });
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    PlaceDialog(this);
    m_check->Start(host, port, appVersion);
}
