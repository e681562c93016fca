#pragma once

#include "jobs/MenuRules.h"

#include <QHash>
#include <QObject>

class QAction;
class QToolBar;
class QWidget;

// The main toolbar `tbMain` and the small toolbar `tbOper`. Buttons are
// addressed by key (objectName "<toolbar>_<key>", property "key") and show
// the picture of their image key (property "imageKey").
class MainToolbars : public QObject {
    Q_OBJECT
public:
    explicit MainToolbars(QWidget *owner);

    QToolBar *tbMain() const { return m_main; }
    QToolBar *tbOper() const { return m_oper; }
    QAction *button(QToolBar *bar, const QString &key) const;

    // Gives every button the picture of its image key at start.
    void FullInTb();
    void setImage(QToolBar *bar, const QString &key, const QString &imageKey);
    QString imageOf(QToolBar *bar, const QString &key) const;
    void EnabledTb(const EnabledMap &buttons);
    void DisableTb();

signals:
    void mainClicked(const QString &key);
    void operClicked(const QString &key);

private:
    QToolBar *build(const QString &name, const QVector<ToolbarButton> &buttons, QWidget *owner);
    QToolBar *m_main;
    QToolBar *m_oper;
};
