#pragma once

// The new-job dialog over a fresh application folder with three categories,
// a proxy entry and settings of its own; message boxes are collected.
#include "base/OleDate.h"
#include "base/clsIniFile.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "core/ProxyList.h"
#include "dialogs/frmNewDown1.h"
#include "jobs/CategoryTree.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

using namespace NewJobRules;

inline QStringList items(const QListWidget *list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

inline QStringList tabTexts(const QTabBar *bar, bool data = false) {
    QStringList out;
    for (int i = 0; i < bar->count(); ++i)
        out << (data ? bar->tabData(i).toString() : bar->tabText(i));
    return out;
}

// Replaces a box's content by typing, key by key, as a user would.
inline void retype(QLineEdit *box, const QString &text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

// Types a pattern and a number range into the batch page and generates.
inline void generateNumbers(frmNewDown1 &d, const QString &pattern, const QString &from,
                            const QString &to) {
    QTest::keyClicks(d.txtBatUrl, pattern);
    retype(d.txtN1, from);
    retype(d.txtN2, to);
    QTest::mouseClick(d.cmdCreateUrl, Qt::LeftButton);
}

struct NewJobDialogEnv {
    TestHome home;
    AppCore core;
    QStringList messages;
    MsgBox::Handler previous;
    std::unique_ptr<frmNewDown1> dialog;
    NewJobHooks hooks;

    NewJobDialogEnv() {
        core.paths = AppPaths::forFolder(home.path());
        core.paths.DownloadFolder = home.file("mydown") + '/';
        AddFixedNodes(core.tree, core.paths.DownloadFolder);
        core.tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", home.file("cartoon") + '/');
        core.tree.addNode("101k", "101k101k", "Short", "5", "6", home.file("short") + '/');
        core.tree.addNode("Downloaded", "102k", "Music", "5", "6", home.file("music") + '/');
        core.settings.Parts = 3;
        core.settings.Useragent = "MQ agent";
        clsIniFile ini;
        ini.IniFileName = core.paths.SettingsPath;
        writeProxyEntries(ini, {{"proxy.local", "3128"}});
        previous = MsgBox::setHandler([this](MsgBox::Kind, const QString &t) {
            messages << t;
            return false;
        });
        QGuiApplication::clipboard()->clear();
    }
    ~NewJobDialogEnv() {
        dialog.reset();
        MsgBox::setHandler(previous);
    }
    frmNewDown1 &open(int mode, const QString &preset = {}) {
        dialog = std::make_unique<frmNewDown1>(core, mode, hooks);
        dialog->PresetUrl = preset;
        dialog->show();
        return *dialog;
    }
    void ok() { QTest::mouseClick(dialog->cmdNewJobOk, Qt::LeftButton); }
};
