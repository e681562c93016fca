#include "kit/MsgBox.h"

#include <QMessageBox>

namespace MsgBox {
namespace {
Handler &handler() {
    static Handler current;
    return current;
}

bool ask(QWidget *parent, Kind kind, const QString &text) {
    if (handler()) return handler()(kind, text);
    const QMessageBox::Icon icon = kind == Kind::Error         ? QMessageBox::Critical
                                   : kind == Kind::Question    ? QMessageBox::Question
                                   : kind == Kind::Information ? QMessageBox::Information
                                                               : QMessageBox::NoIcon;
    const QMessageBox::StandardButtons buttons =
        kind == Kind::Question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(icon, QStringLiteral("MoorQuill"), text, buttons, parent);
    return box.exec() == QMessageBox::Yes;
}
} // namespace

void show(QWidget *parent, const QString &text) {
    ask(parent, Kind::Plain, text);
}

void information(QWidget *parent, const QString &text) {
    ask(parent, Kind::Information, text);
}

void error(QWidget *parent, const QString &text) {
    ask(parent, Kind::Error, text);
}

bool question(QWidget *parent, const QString &text) {
    return ask(parent, Kind::Question, text);
}

bool askOverwrite(QWidget *parent) {
    return question(parent, QStringLiteral("File existed! Do you want to overwrite it?"));
}

Handler setHandler(Handler h) {
    Handler old = handler();
    handler() = std::move(h);
    return old;
}
} // namespace MsgBox
