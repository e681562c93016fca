#pragma once

#include <QWidget>

class QListWidget;

// The message window: one line per finished job ("Job complete." + Url).
class frmJobmessage : public QWidget {
    Q_OBJECT
public:
    explicit frmJobmessage(QWidget *parent = nullptr);
    QListWidget *list() const { return m_list; }

public slots:
    // Shows the window when hidden and adds the line.
    void AddMessage(const QString &text);

private:
    QListWidget *m_list;
};
