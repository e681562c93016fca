#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

// Small helpers that create the named controls of the editing dialogs.
namespace DialogKit {
template <class W> W *named(W *widget, const char *name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
inline QPushButton *button(QWidget *parent, const char *name, const QString &caption) {
    return named(new QPushButton(caption, parent), name);
}
inline QLineEdit *edit(QWidget *parent, const char *name, const QString &text = {}) {
    return named(new QLineEdit(text, parent), name);
}
inline QCheckBox *check(QWidget *parent, const char *name, const QString &caption) {
    return named(new QCheckBox(caption, parent), name);
}
inline QLabel *label(QWidget *parent, const QString &text) {
    return new QLabel(text, parent);
}
// Asks for a folder (title "Browsing"), starting at `start`; empty when cancelled.
QString browseFolder(QWidget *parent, const QString &start);
// Tests answer the folder question instead of the system's dialog (an empty
// handler restores it); returns the old handler.
using BrowseHandler = std::function<QString(const QString &start)>;
BrowseHandler setBrowseHandler(BrowseHandler handler);
} // namespace DialogKit
