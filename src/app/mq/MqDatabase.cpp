#include "app/mq/MqDatabase.h"

#include "jobs/CategoryTree.h"
#include "platform/AppFolder.h"
#include "session/AppCore.h"

#include <QFileInfo>

QString openMqDatabase(AppCore &core, const QString &path) {
    if (path.isEmpty()) return QStringLiteral("--db FILE is needed");
    core.paths.JobDbPath = path;
    core.paths.DownloadFolder = defaultDownloadFolder();
    if (!QFileInfo::exists(path)) {
        if (!BuildDefaultTree(core.tree, core.DownJobs, core.paths))
            return QStringLiteral("cannot write %1").arg(path);
        return {};
    }
    if (!QFileInfo(path).isFile()) return QStringLiteral("%1: not a job database").arg(path);
    const DbLoadResult loaded = BuildFixedTree(core.tree, core.DownJobs, core.paths);
    if (loaded.damaged) return QStringLiteral("damaged database %1: %2").arg(path, loaded.error);
    return {};
}
