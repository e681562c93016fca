#pragma once

// A main window over a fresh application folder whose new-job dialogs the
// test runs: each opened dialog is shown to `seen`, then `drive` answers it
// (Cancel by default). Message boxes are collected instead of shown.
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "dialogs/frmNewDown1.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"
#include "ui/frmMain.h"
#include "ui/frmMainAdd.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <functional>
#include <memory>

struct NewJobWindowEnv {
    using Fill = std::function<void(CategoryStore &, JobTable &)>;

    TestHome home;
    AppCore core;
    std::unique_ptr<frmMain> w;
    QStringList messages;
    MsgBox::Handler previous;
    std::function<void(frmNewDown1 &)> drive = [](frmNewDown1 &d) { d.reject(); };

    NewJobWindowEnv() {
        core.paths = AppPaths::forFolder(home.path());
        core.paths.DownloadFolder = home.file("mydown") + '/';
        QDir().mkpath(home.file("mydown"));
        writeFileBytes(core.paths.JobDbPath, {});
        previous = MsgBox::setHandler([this](MsgBox::Kind, const QString &t) {
            messages << t;
            return false;
        });
        QGuiApplication::clipboard()->clear();
    }
    ~NewJobWindowEnv() {
        w.reset();
        MsgBox::setHandler(previous);
    }
    // The loaded window over a database that `fill` fills.
    frmMain &openWindow(Fill fill, std::function<void(frmNewDown1 &)> seen) {
        JobDbIo io;
        io.save = [](const CategoryStore &, const JobTable &, const QString &, QString *) {
            return true;
        };
        io.load = [fill](CategoryStore &tree, JobTable &table, const QString &) {
            if (fill) fill(tree, table);
            return DbLoadResult{};
        };
        w = std::make_unique<frmMain>(core, io);
        w->load();
        w->addCommands()->runDialog = [this, seen](frmNewDown1 &d) {
            d.show();
            seen(d);
            drive(d);
            return d.result();
        };
        return *w;
    }
};
