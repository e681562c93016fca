#pragma once

// A job store for the editing tests: a temporary folder holding the job
// database, the download folder with the categories "Cartoon" (101k, with
// the sub-category 101k1 "Short") and "MTV" (102k), and helpers that add jobs
// and read the database back from the file.
#include "common/TestFiles.h"
#include "jobs/CategoryTree.h"
#include "jobs/DbCommit.h"
#include "jobs/JobDatabase.h"
#include "session/AppCore.h"

#include <QDir>
#include <QTemporaryDir>

class EditFixture {
public:
    QTemporaryDir dir;
    AppCore core;

    EditFixture() {
        core.paths.JobDbPath = dir.filePath("default.mqb");
        core.paths.DownloadFolder = folder("down");
        AddFixedNodes(core.tree, core.paths.DownloadFolder);
        core.tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", folder("down/cartoon"));
        core.tree.addNode("101k", "101k1", "Short", "5", "6", folder("down/short"));
        core.tree.addNode("Downloaded", "102k", "MTV", "5", "6", folder("down/mtv"));
    }

    DbCommit commit() { return core.dbCommit(); }

    // A folder below the temporary folder, created, with a trailing '/'.
    QString folder(const QString &name) {
        QDir().mkpath(dir.filePath(name));
        return dir.filePath(name) + '/';
    }
    // A file with `bytes` at `path` (its folder created).
    static QString file(const QString &path, const QByteArray &bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        writeFileBytes(path, bytes);
        return path;
    }
    int addJob(const QString &category, int state, const QString &savePath,
               const QString &url = "http://h/a.swf") {
        DownJobRecord r;
        r.CategoryKey = category;
        r.State = state;
        r.SavePath = savePath;
        r.FileName = QFileInfo(savePath).fileName();
        r.Url = url;
        r.TotalSize = r.Received = 3;
        return core.DownJobs.add(r);
    }
    // The tree and the jobs as the file on disk holds them.
    struct Saved {
        CategoryStore tree;
        JobTable jobs;
    };
    std::unique_ptr<Saved> reload() const {
        auto saved = std::make_unique<Saved>();
        AddFixedNodes(saved->tree, {});
        LoadJobDatabase(saved->tree, saved->jobs, core.paths.JobDbPath);
        return saved;
    }
};
