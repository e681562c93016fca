#pragma once

#include <QString>
#include <QStringList>

// Walks a command's arguments: each one in turn, and an option's value.
class ArgCursor {
public:
    explicit ArgCursor(const QStringList &args) : m_args(args) {}
    bool atEnd() const { return m_next >= m_args.size(); }
    const QString &next() { return m_args[m_next++]; }
    // The argument after the current option; false when there is none.
    bool value(QString &into) {
        if (atEnd()) return false;
        into = next();
        return true;
    }

private:
    const QStringList &m_args;
    int m_next = 0;
};
