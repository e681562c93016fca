#include "dialogs/frmProxy.h"

#include "base/ListRowModel.h"
#include "core/ProxyList.h"
#include "kit/MsgBox.h"
#include "kit/PlaceDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmProxy::frmProxy(ListRowModel &rows, int mode, int selectedRow, QWidget *parent)
    : QDialog(parent), m_rows(rows), m_mode(mode), m_row(selectedRow) {
    setObjectName(QStringLiteral("frmProxy"));
    setWindowTitle(QStringLiteral("Add New Proxy Setting"));
    setModal(true);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Command1 = new QPushButton(QStringLiteral("&Add"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Proxy Server Name or IP:"), Text1);
    form->addRow(QStringLiteral("Port:"), Text2);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(Command1, QDialogButtonBox::AcceptRole);
    buttons->addButton(Command2, QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    Text1->setMinimumWidth(240);

    // Confirming may keep the dialog open, so the buttons are not tied to accept().
    connect(Command1, &QPushButton::clicked, this, &frmProxy::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);

    if (m_mode == ModifyMode && m_row >= 0 && m_row < m_rows.count()) {
        setWindowTitle(QStringLiteral("Modify Select Proxy Setting"));
        Text1->setText(m_rows.row(m_row).text);
        Text2->setText(m_rows.subItem(m_row, 1));
        Command1->setText(QStringLiteral("&Modify"));
    }
    adjustSize();
    PlaceDialog(this);
}

void frmProxy::Command1_Click() {
    const ProxyInputCheck check = checkProxyInput(Text1->text(), Text2->text());
    if (!check.message.isEmpty()) {
        MsgBox::show(this, check.message);
        (check.focus == 1 ? Text1 : Text2)->setFocus();
        return;
    }
    const ProxyEntry entry{Text1->text(), Text2->text()};
    if (m_mode == ModifyMode)
        setProxyRow(m_rows, m_row, entry);
    else
        appendProxyRow(m_rows, entry);
    accept();
}
