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
        QMessageBox(QMessageBox::NoIcon, QStringLiteral("MoorQuill"), text, QMessageBox::Ok, parent)
            .exec();
}

MsgBox::Handler MsgBox::setHandler(Handler h) {
    Handler old = handler();
    handler() = std::move(h);
    return old;
}
