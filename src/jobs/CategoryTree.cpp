#include "jobs/CategoryTree.h"

#include "base/AppPaths.h"
#include "jobs/CategoryStore.h"

#include <QDir>

namespace {

bool english(const AppPaths &paths) {
    return paths.AppLanguage == QLatin1String("English");
}

void addFixedNode(CategoryStore &tree, const QString &parent, const QString &key,
                  const QString &text, const QString &image) {
    tree.addNode(parent, key, text, image, image);
}

void addFixedHead(CategoryStore &tree) {
    addFixedNode(tree, {}, TreeKey::Root, QStringLiteral("MoorQuill"), QStringLiteral("1"));
    addFixedNode(tree, TreeKey::Root, TreeKey::NowSearch, QStringLiteral("Searching"),
                 QStringLiteral("2"));
    addFixedNode(tree, TreeKey::Root, TreeKey::NowDownLoad, QStringLiteral("Downloading"),
                 QStringLiteral("3"));
    addFixedNode(tree, TreeKey::Root, TreeKey::Downloaded, QStringLiteral("Downloaded"),
                 QStringLiteral("4"));
}

void addRecycle(CategoryStore &tree) {
    addFixedNode(tree, TreeKey::Root, TreeKey::Recely, QStringLiteral("Delete"),
                 QStringLiteral("7"));
}

} // namespace

void AddFixedNodes(CategoryStore &tree, const QString &folder) {
    addFixedHead(tree);
    addRecycle(tree);
    tree.setAllTags(folder);
}

bool BuildDefaultTree(CategoryStore &tree, const JobTable &jobs, const AppPaths &paths,
                      const JobDbIo &io) {
    if (!english(paths)) return false;
    const QString folder = paths.DownloadFolder;
    if (!folder.isEmpty() && !QDir(folder).exists()) QDir().mkpath(folder);
    addFixedHead(tree);
    const struct {
        const char *key, *text;
    } defaults[] = {{"101k", "Cartoon"}, {"102k", "MTV"}, {"103k", "Games"}, {"104k", "Ad"}};
    for (const auto &category : defaults)
        tree.addNode(TreeKey::Downloaded, QString::fromLatin1(category.key),
                     QString::fromLatin1(category.text), QStringLiteral("5"), QStringLiteral("6"));
    addRecycle(tree);
    tree.setAllTags(folder);
    return io.save(tree, jobs, paths.JobDbPath, nullptr);
}

DbLoadResult BuildFixedTree(CategoryStore &tree, JobTable &jobs, const AppPaths &paths,
                            const JobDbIo &io) {
    if (!english(paths)) return {};
    tree.clear();
    AddFixedNodes(tree, paths.DownloadFolder);
    return io.load(tree, jobs, paths.JobDbPath);
}

void AddHistoryBranch(CategoryStore &tree) {
    tree.addNode({}, TreeKey::History, QStringLiteral("History"), QStringLiteral("History"),
                 QStringLiteral("History"));
    for (const QString &key : {TreeKey::Today, TreeKey::ThisWeek, TreeKey::ThisMonth, TreeKey::All})
        tree.addNode(TreeKey::History, key, key, QStringLiteral("History1"),
                     QStringLiteral("History1"));
}

int historyDaysOf(const QString &key) {
    if (key == TreeKey::Today) return 1;
    if (key == TreeKey::ThisWeek) return 7;
    if (key == TreeKey::ThisMonth) return 30;
    if (key == TreeKey::All) return 30000;
    return 0;
}
