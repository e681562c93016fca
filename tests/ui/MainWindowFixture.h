#pragma once

// A main window over a fresh application folder, the job database reached
// through counting stand-ins, and the clicks the main-window tests share.
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "session/AppCore.h"
#include "ui/MainMovies.h"
#include "ui/frmMain.h"

#include <QTreeView>
#include <QtTest>
#include <functional>
#include <memory>

struct MainWindowFixture {
    using Fill = std::function<void(CategoryStore &, JobTable &)>;

    TestHome home;
    AppCore core;
    int saves = 0; // writes of the job database
    int loads = 0;
    DbLoadResult loadResult;
    std::unique_ptr<frmMain> w;

    // Without a database file the window starts as on the first run.
    explicit MainWindowFixture(bool withDatabase = true) {
        core.paths = AppPaths::forFolder(home.path());
        core.paths.DownloadFolder = home.file("mydown") + '/';
        if (withDatabase) {
            QDir().mkpath(home.file("mydown"));
            writeFileBytes(core.paths.JobDbPath, {});
        }
    }
    // The window, not loaded yet, so that hooks can be set first.
    frmMain &create(Fill fill = {}) {
        JobDbIo io;
        io.save = [this](const CategoryStore &, const JobTable &, const QString &path, QString *) {
            saves += path == core.paths.JobDbPath;
            return true;
        };
        io.load = [this, fill](CategoryStore &tree, JobTable &jobs, const QString &) {
            ++loads;
            if (fill) fill(tree, jobs);
            return loadResult;
        };
        w = std::make_unique<frmMain>(core, io);
        w->movies()->createThumbnailer = nullptr; // no web engine in these tests
        return *w;
    }
    frmMain &open(Fill fill = {}) {
        create(std::move(fill));
        w->load();
        return *w;
    }
    template <class T> T *find(const QString &name) const { return w->findChild<T *>(name); }

    // The category "Cartoon" (101k) below "Downloaded", holding `jobs`.
    static Fill cartoon(QVector<DownJobRecord> jobs = {}) {
        return [jobs](CategoryStore &tree, JobTable &table) {
            tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", "/c/");
            for (const DownJobRecord &r : jobs)
                table.add(r);
        };
    }
};

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
