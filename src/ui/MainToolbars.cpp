#include "ui/MainToolbars.h"

#include "kit/IconSet.h"

#include <QAction>
#include <QToolBar>

namespace {
// Short captions under the main toolbar's pictures.
QString captionOf(const QString &key) {
    static const QHash<QString, QString> captions = {{"AddPf", "Import"},
                                                     {"AddPbf", "Import Batch"},
                                                     {"AddNewJob", "New"},
                                                     {"AddNewJobB", "Batch"},
                                                     {"AddSearch", "Search"},
                                                     {"Start", "Start"},
                                                     {"Pause", "Pause"},
                                                     {"AllStart", "Start All"},
                                                     {"AllPause", "Pause All"},
                                                     {"Comment", "Comment"},
                                                     {"Delete", "Delete"},
                                                     {"Openfile", "Open"},
                                                     {"Opendir", "Folder"},
                                                     {"Option", "Options"},
                                                     {"Help", "Help"},
                                                     {"About", "About"},
                                                     {"Homepage", "Home"},
                                                     {"tvNa", "Tree"},
                                                     {"lvD", "List"},
                                                     {"Play", "Play"},
                                                     {"Stop", "Stop"},
                                                     {"Last", "Previous"},
                                                     {"Next", "Next"},
                                                     {"FullS", "Full Screen"},
                                                     {"Exchange", "Information"}};
    return captions.value(key, key);
}
} // namespace

MainToolbars::MainToolbars(QWidget *owner) : QObject(owner) {
    m_main = build(QStringLiteral("tbMain"), tbMainButtons(), owner);
    m_main->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_main->setIconSize(QSize(24, 24));
    m_oper = build(QStringLiteral("tbOper"), tbOperButtons(), owner);
    m_oper->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_oper->setIconSize(QSize(16, 16));
    connect(m_main, &QToolBar::actionTriggered, this,
            [this](QAction *a) { emit mainClicked(a->property("key").toString()); });
    connect(m_oper, &QToolBar::actionTriggered, this,
            [this](QAction *a) { emit operClicked(a->property("key").toString()); });
}

QToolBar *MainToolbars::build(const QString &name, const QVector<ToolbarButton> &buttons,
                              QWidget *owner) {
    auto *bar = new QToolBar(owner);
    bar->setObjectName(name);
    bar->setMovable(false);
    bar->setFloatable(false);
    for (const ToolbarButton &b : buttons) {
        // Groups: import / new jobs / job control / edit / options and help.
        if (name == QLatin1String("tbMain") &&
            (b.key == "AddNewJob" || b.key == "Start" || b.key == "Comment" || b.key == "Option"))
            bar->addSeparator();
        if (name == QLatin1String("tbOper") && (b.key == "Play" || b.key == "Exchange"))
            bar->addSeparator();
        QAction *a = bar->addAction(captionOf(b.key));
        a->setObjectName(name + QLatin1Char('_') + b.key);
        a->setProperty("key", b.key);
        a->setProperty("startImage", b.image);
        a->setToolTip(captionOf(b.key));
    }
    return bar;
}

QAction *MainToolbars::button(QToolBar *bar, const QString &key) const {
    for (QAction *a : bar->actions())
        if (a->property("key").toString() == key) return a;
    return nullptr;
}

void MainToolbars::FullInTb() {
    for (QToolBar *bar : {m_main, m_oper})
        for (QAction *a : bar->actions())
            if (!a->isSeparator())
                setImage(bar, a->property("key").toString(), a->property("startImage").toString());
}

void MainToolbars::setImage(QToolBar *bar, const QString &key, const QString &imageKey) {
    if (QAction *a = button(bar, key)) {
        a->setProperty("imageKey", imageKey);
        a->setIcon(IconSet::icon(imageKey));
    }
}

QString MainToolbars::imageOf(QToolBar *bar, const QString &key) const {
    QAction *a = button(bar, key);
    return a ? a->property("imageKey").toString() : QString();
}

void MainToolbars::EnabledTb(const EnabledMap &buttons) {
    for (auto it = buttons.constBegin(); it != buttons.constEnd(); ++it)
        if (QAction *a = button(m_main, it.key()))
            a->setEnabled(it.value() && !a->property("unbuilt").toBool());
}

void MainToolbars::DisableTb() {
    for (const QString &key : selectionButtonKeys())
        if (QAction *a = button(m_main, key)) a->setEnabled(false);
}
