#pragma once

#include <QString>
#include <functional>

class QWidget;

// Plain message boxes (one OK button, caption "MoorQuill"). Tests install a
// handler that records the text instead of opening a modal box.
namespace MsgBox {
using Handler = std::function<void(QWidget *parent, const QString &text)>;
void show(QWidget *parent, const QString &text);
// Installs a handler (an empty one restores the real box); returns the old one.
Handler setHandler(Handler handler);
} // namespace MsgBox
