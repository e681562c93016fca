#pragma once

#include <QAction>
#include <QHash>
#include <QObject>
#include <QString>

class QMenu;
class QMenuBar;
class QWidget;

// The menus of the main window and its pop-up menus. Every entry carries its
// name as objectName and keeps its caption's & mnemonic. Entries whose
// commands are not there yet stay disabled.
class MainMenus : public QObject {
    Q_OBJECT
public:
    MainMenus(QMenuBar *bar, QWidget *owner);

    QAction *action(const QString &name) const { return m_actions.value(name); }
    QMenu *menu(const QString &name) const { return m_menus.value(name); }
    template <class Map> void apply(const Map &states) {
        for (auto it = states.constBegin(); it != states.constEnd(); ++it)
            if (QAction *a = action(it.key()))
                a->setEnabled(it.value() && !a->property("unbuilt").toBool());
    }

private:
    QMenu *addMenu(QMenuBar *bar, const QString &name, const QString &caption);
    QMenu *addPopup(const QString &name);
    QAction *add(QMenu *menu, const QString &name, const QString &caption, bool enabled = true,
                 bool checkable = false);
    QWidget *m_owner;
    QHash<QString, QAction *> m_actions;
    QHash<QString, QMenu *> m_menus;
};
