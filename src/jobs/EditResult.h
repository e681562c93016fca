#pragma once

#include <QString>

// Outcome of an editing command: whether it did what was asked, and a message
// for the user when something was refused or failed (empty when all went well).
// `changed` tells whether anything in the tree, the table or on disk changed.
struct EditResult {
    bool ok = true;
    bool changed = false;
    QString message;
    QString key; // the new category key of a created category

    static EditResult fail(const QString &text) {
        EditResult r;
        r.ok = false;
        r.message = text;
        return r;
    }
    // Adds a line to the message (several files may fail in one command).
    void addMessage(const QString &text) {
        if (!message.isEmpty()) message += QLatin1Char('\n');
        message += text;
    }
};
