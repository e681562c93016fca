#include "dialogs/EditBoxes.h"

#include <QMessageBox>

namespace EditBoxes {
namespace {
Handler &handler() {
    static Handler current;
    return current;
}

bool show(QWidget *parent, Kind kind, const QString &text) {
    if (handler()) return handler()(kind, text);
    const QMessageBox::Icon icon = kind == Kind::Error      ? QMessageBox::Critical
                                   : kind == Kind::Question ? QMessageBox::Question
                                                            : QMessageBox::Information;
    const QMessageBox::StandardButtons buttons =
        kind == Kind::Question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(icon, QStringLiteral("MoorQuill"), text, buttons, parent);
    return box.exec() == QMessageBox::Yes;
}
} // namespace

void information(QWidget *parent, const QString &text) {
    show(parent, Kind::Information, text);
}

void error(QWidget *parent, const QString &text) {
    show(parent, Kind::Error, text);
}

bool question(QWidget *parent, const QString &text) {
    return show(parent, Kind::Question, text);
}

bool askOverwrite(QWidget *parent) {
    return question(parent, QStringLiteral("File existed! Do you want to overwrite it?"));
}

Handler setHandler(Handler h) {
    Handler old = handler();
    handler() = std::move(h);
    return old;
}
} // namespace EditBoxes
