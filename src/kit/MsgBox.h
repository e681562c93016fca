#pragma once

#include <QString>
#include <functional>

class QWidget;

// The program's message boxes, caption "MoorQuill": a plain box with one OK
// button, information, error and a yes/no question. Tests install a handler
// that records the text and answers instead of opening a modal box.
namespace MsgBox {
enum class Kind { Plain, Information, Error, Question };
// Returns the answer of a question (true for yes); ignored for the others.
using Handler = std::function<bool(Kind kind, const QString &text)>;

void show(QWidget *parent, const QString &text); // no icon
void information(QWidget *parent, const QString &text);
void error(QWidget *parent, const QString &text);
bool question(QWidget *parent, const QString &text);
// "File existed! Do you want to overwrite it?"
bool askOverwrite(QWidget *parent);
// Installs a handler (an empty one restores the real boxes); returns the old one.
Handler setHandler(Handler handler);
} // namespace MsgBox
