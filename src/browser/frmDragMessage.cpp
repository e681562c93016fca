#include "browser/frmDragMessage.h"

#include "browser/PageMovies.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {
constexpr int kOffset = 16; // pixels right of and below the pointer
}

frmDragMessage::frmDragMessage(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput) {
    setObjectName(QStringLiteral("frmDragMessage"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAutoFillBackground(true);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    Label1->setFont(font);
    Label1->setForegroundRole(QPalette::ToolTipText);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(Label1);
}

void frmDragMessage::showReport(int count, const QPoint &pointer) {
    Label1->setText(PageMovies::reportText(count));
    adjustSize();
    follow(pointer);
    show();
    raise();
}

void frmDragMessage::follow(const QPoint &pointer) {
    move(pointer + QPoint(kOffset, kOffset));
}
