#include "ui/MsgBox.h"

#include <QMessageBox>

namespace {
MsgBox::Handler &handler() {
    static MsgBox::Handler current;
    return current;
}
} // namespace

void MsgBox::show(QWidget *parent, const QString &text) {
    if (handler())
        handler()(parent, text);
    else
        QMessageBox::information(parent, QStringLiteral("MoorQuill"), text);
}

MsgBox::Handler MsgBox::setHandler(Handler h) {
    Handler old = handler();
    handler() = std::move(h);
    return old;
}
