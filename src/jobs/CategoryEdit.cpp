#include "jobs/CategoryEdit.h"

#include "base/ListRowModel.h"
#include "jobs/CategoryStore.h"
#include "jobs/CategoryTree.h"
#include "jobs/DbCommit.h"
#include "jobs/FileMove.h"
#include "jobs/JobEdit.h"
#include "jobs/JobTable.h"
#include "platform/Cp1252.h"

#include <QSet>

namespace CategoryEdit {
namespace {

const QString kCannotDelete = QStringLiteral("Error!\nCan not Delete this Category!");

EditResult committed(EditResult result, const DbCommit &commit) {
    result.changed = true;
    const QString error = commit();
    if (!error.isEmpty()) result.addMessage(error);
    return result;
}

} // namespace

bool isUserCategory(const CategoryStore &tree, const QString &key) {
    const CategoryStore::Node *node = tree.find(key);
    for (const CategoryStore::Node *p = node ? node->parent : nullptr; p; p = p->parent)
        if (p->key == TreeKey::Downloaded) return true;
    return false;
}

bool isFilingNode(const CategoryStore &tree, const QString &key) {
    return key == TreeKey::Downloaded ? tree.contains(key) : isUserCategory(tree, key);
}

QString nameError(const QString &name) {
    if (name.trimmed().isEmpty()) return QStringLiteral("Please Input Category Name First!");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("A category name can not contain \"/\" or \"\\\".");
    if (Cp1252::decode(Cp1252::encode(name)) != name)
        return QStringLiteral("The category name contains characters that can not be saved: %1")
            .arg(name);
    return {};
}

QString newKey(const CategoryStore &tree, const JobTable &jobs, const QString &parentKey) {
    const CategoryStore::Node *parent = tree.find(parentKey);
    QSet<QString> used;
    for (const CategoryStore::Node *node : tree.preOrder())
        used.insert(node->key);
    for (int i = 1; i <= jobs.DownCount(); ++i)
        used.insert(jobs[i].CategoryKey);
    const int first = parent ? int(parent->children.size()) + 1 : 1;
    if (!used.contains(parentKey + QString::number(first)))
        return parentKey + QString::number(first);
    for (int n = 1;; ++n)
        if (!used.contains(parentKey + QString::number(n))) return parentKey + QString::number(n);
}

QString folderTag(const QString &folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder;
    return folder + QLatin1Char('/');
}

QString proposedFolder(const QString &parentFolder, const QString &name, bool withName) {
    if (!withName) return parentFolder;
    return FileMove::joinPath(parentFolder, name);
}

EditResult create(CategoryStore &tree, const JobTable &jobs, const QString &parentKey,
                  const QString &name, const QString &folder, bool makeFolder,
                  const DbCommit &commit) {
    const QString error = nameError(name);
    if (!error.isEmpty()) return EditResult::fail(error);
    if (!isFilingNode(tree, parentKey))
        return EditResult::fail(QStringLiteral("Please Chose Parent Category:"));
    if (Cp1252::decode(Cp1252::encode(folder)) != folder)
        return EditResult::fail(
            QStringLiteral("The folder contains characters that can not be saved: %1").arg(folder));
    if (makeFolder && !folder.isEmpty()) {
        const FileMove::Result made = FileMove::makeFolder(folder);
        if (!made.done()) return EditResult::fail(made.message);
    }
    const QString key = newKey(tree, jobs, parentKey);
    if (!tree.addNode(parentKey, key, name.trimmed(), QStringLiteral("5"), QStringLiteral("6"),
                      folderTag(folder.trimmed())))
        return EditResult::fail(QStringLiteral("Can not add the category %1.").arg(name));
    EditResult result;
    result.key = key;
    return committed(result, commit);
}

EditResult move(CategoryStore &tree, JobTable &jobs, const QString &key, const QString &targetKey,
                const DbCommit &commit, bool moveFiles, const FileMove::AskOverwrite &ask) {
    if (key == TreeKey::Downloaded || key == targetKey || !tree.contains(key)) return {};
    if (!isUserCategory(tree, key))
        return EditResult::fail(QStringLiteral("Error!\nCan not Move this Category!"));
    if (!isFilingNode(tree, targetKey))
        return EditResult::fail(QStringLiteral("Please choose a category below \"Downloaded\"."));
    for (const CategoryStore::Node *p = tree.find(targetKey); p; p = p->parent)
        if (p->key == key)
            return EditResult::fail(
                QStringLiteral("Can not move a category into its own sub category!"));
    if (tree.find(key)->parent->key == targetKey) return {};
    if (!tree.moveNode(key, targetKey))
        return EditResult::fail(QStringLiteral("Can not move this category."));
    EditResult result;
    if (moveFiles) {
        const QString folder = tree.find(targetKey)->tag;
        for (int i = 1; i <= jobs.DownCount(); ++i)
            if (jobs[i].CategoryKey == key && jobs[i].State == StateComplete)
                JobEdit::moveJobFile(jobs[i], folder, ask, result);
    }
    return committed(result, commit);
}

EditResult setProperties(CategoryStore &tree, const QString &key, const QString &name,
                         const QString &folder, const DbCommit &commit) {
    if (!tree.contains(key)) return EditResult::fail(QStringLiteral("No category is selected."));
    const QString error = nameError(name);
    if (!error.isEmpty()) return EditResult::fail(error);
    if (Cp1252::decode(Cp1252::encode(folder)) != folder)
        return EditResult::fail(
            QStringLiteral("The folder contains characters that can not be saved: %1").arg(folder));
    tree.setText(key, name.trimmed());
    tree.setTag(key, folderTag(folder.trimmed()));
    return committed({}, commit);
}

EditResult remove(CategoryStore &tree, JobTable &jobs, ListRowModel &haveDown, const QString &key,
                  const DbCommit &commit) {
    const CategoryStore::Node *node = tree.find(key);
    if (!node) return EditResult::fail(kCannotDelete);
    if (!node->parent || node->parent->key == TreeKey::Root || !isUserCategory(tree, key))
        return EditResult::fail(kCannotDelete);
    for (int i = 1; i <= jobs.DownCount(); ++i)
        if (jobs[i].CategoryKey == key && jobs[i].State == StateComplete)
            jobs[i].CategoryKey = TreeKey::Recely;
    haveDown.clear();
    tree.removeNode(key);
    return committed({}, commit);
}

int adoptOrphanJobs(const CategoryStore &tree, JobTable &jobs) {
    int adopted = 0;
    for (int i = 1; i <= jobs.DownCount(); ++i) {
        DownJobRecord &job = jobs[i];
        if (job.CategoryKey.isEmpty() || job.CategoryKey == TreeKey::RecelyReally ||
            tree.contains(job.CategoryKey))
            continue;
        job.CategoryKey = TreeKey::Downloaded;
        ++adopted;
    }
    return adopted;
}

} // namespace CategoryEdit
