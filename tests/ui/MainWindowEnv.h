#pragma once

// The main window of the smoke tests and the data and clicks they share.
#include "base/OleDate.h"
#include "common/FaultHttpServer.h"
#include "common/SwfWriter.h"
#include "common/TestData.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "dialogs/frmNewDown1.h"
#include "kit/MsgBox.h"
#include "player/FakePlayer.h"
#include "session/AppCore.h"
#include "ui/MainMenus.h"
#include "ui/MainMovies.h"
#include "ui/frmMain.h"
#include "ui/frmMainAdd.h"
#include "ui/frmMainPlayer.h"

#include <QClipboard>
#include <QLineEdit>
#include <QTreeView>
#include <QtTest>
#include <functional>
#include <memory>

inline QStringList texts(const QTreeView *view, int column = 0) {
    QStringList out;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        out << view->model()->index(r, column).data().toString();
    return out;
}

// Clicks a row in its second column (the first in a one-column view).
inline void clickRow(QTreeView *view, int row, int column = 1) {
    column = qMin(column, view->model()->columnCount() - 1);
    const QRect rect = view->visualRect(view->model()->index(row, column));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

inline DownJobRecord job(const QString &category, int state, const QString &name) {
    DownJobRecord r = testJob(category, state, "http://example.org/" + name, "/nowhere/");
    r.TotalSize = 2048;
    r.Received = state == 4 ? 2048 : 1023;
    r.Parts = 2;
    r.CreateTime = OleDate::now() - 0.001;
    return r;
}

// Jobs in every state, nested categories.
inline void sampleDatabase(CategoryStore &tree, JobTable &jobs) {
    tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", "/c/");
    tree.addNode("101k", "101k1", "Old", "5", "6", "/c/old/");
    jobs.add(job("101k", 1, "running.swf"));  // 1
    jobs.add(job("101k", 2, "paused.swf"));   // 2
    jobs.add(job("101k", 3, "waiting.swf"));  // 3
    jobs.add(job("101k", 4, "cartoon.swf"));  // 4
    jobs.add(job("101k1", 4, "old.swf"));     // 5
    jobs.add(job("Recely", 4, "binned.swf")); // 6
    jobs.add(job("101k", 5, "broken.swf"));   // 7
}

inline QByteArray movie(int frames) {
    SwfRecipe r;
    r.frames = frames;
    return makeSwf(r);
}

// A main window over a fresh application folder, the job database reached
// through counting stand-ins; its new-job dialogs are shown to the test and
// answered by `drive` (Cancel by default), message boxes answered No, and the
// movie player a FakePlayer.
struct Env {
    using Fill = std::function<void(CategoryStore &, JobTable &)>;
    TestHome home;
    AppCore core;
    int saves = 0; // writes of the job database
    DbLoadResult loadResult;
    std::unique_ptr<frmMain> w;
    MsgBox::Handler previous;
    QVector<int> modes;    // the modes the new-job dialog opened in
    QStringList urlsShown; // what its URL box showed
    std::function<void(frmNewDown1 &)> drive = [](frmNewDown1 &d) { d.reject(); };
    FakePlayer *player = nullptr;

    explicit Env(bool withDatabase = true) {
        core.paths = AppPaths::forFolder(home.path());
        core.paths.DownloadFolder = home.file("mydown") + '/';
        if (withDatabase) {
            QDir().mkpath(home.file("mydown"));
            writeFileBytes(core.paths.JobDbPath, {});
        }
        previous = MsgBox::setHandler([](MsgBox::Kind, const QString &) { return false; });
        QGuiApplication::clipboard()->clear();
    }
    ~Env() {
        w.reset();
        MsgBox::setHandler(previous);
    }
    frmMain &create(Fill fill = {}) {
        JobDbIo io;
        io.save = [this](const CategoryStore &, const JobTable &, const QString &path, QString *) {
            saves += path == core.paths.JobDbPath;
            return true;
        };
        io.load = [this, fill](CategoryStore &tree, JobTable &jobs, const QString &) {
            if (fill) fill(tree, jobs);
            return loadResult;
        };
        w = std::make_unique<frmMain>(core, io);
        w->movies()->createThumbnailer = nullptr; // no web engine here
        w->moviePanel()->createPlayer = [this](QWidget *parent) {
            return player = new FakePlayer(parent);
        };
        w->addCommands()->runDialog = [this](frmNewDown1 &d) {
            d.show();
            QApplication::processEvents(); // the URL box takes PresetUrl with the focus
            modes << d.mode();
            urlsShown << (d.mode() == 2 ? d.txtSearchUrl : d.txtUrl)->text();
            drive(d);
            return d.result();
        };
        return *w;
    }
    // Without `fill`, the database holds the category "Cartoon" (101k) alone.
    frmMain &open(Fill fill = [](CategoryStore &tree, JobTable &) {
        tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", "/c/");
    }) {
        create(std::move(fill));
        w->load();
        return *w;
    }
    DownJobRecord download(FaultHttpServer &server, const QString &path) {
        DownJobRecord r = job("101k", StateWaiting, QFileInfo(path).fileName());
        r.TotalSize = r.Received = 0;
        r.IsNew = kTrue;
        r.Url = server.url(path);
        r.SavePath = home.file("mydown" + path);
        return r;
    }
    template <class T> T *find(const QString &name) const { return w->findChild<T *>(name); }
    QAction *action(const char *name) { return w->menus()->action(QLatin1String(name)); }
};
