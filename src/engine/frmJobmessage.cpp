#include "engine/frmJobmessage.h"

#include "kit/PlaceDialog.h"

#include <QListWidget>
#include <QVBoxLayout>

frmJobmessage::frmJobmessage(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_list(new QListWidget(this)) {
    setObjectName(QStringLiteral("frmJobmessage"));
    setWindowTitle(tr("Message"));
    m_list->setObjectName(QStringLiteral("List1"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    resize(420, 200);
    PlaceDialog(this);
}

void frmJobmessage::AddMessage(const QString &text) {
    if (!isVisible()) show();
    m_list->addItem(text);
    m_list->scrollToBottom();
}
