#pragma once

#include "jobs/EditResult.h"
#include "jobs/FileMove.h"

#include <QString>

struct DbCommit;
class CategoryStore;
class JobTable;
class ListRowModel;

// The rules of the category dialogs: new, move, properties, delete. Each
// command changes the tree and the job table and writes the job database at
// once through `commit`.
namespace CategoryEdit {

// Whether the node is a user category (below "Downloaded").
bool isUserCategory(const CategoryStore &tree, const QString &key);
// "Downloaded" or a user category: a node jobs can be filed under.
bool isFilingNode(const CategoryStore &tree, const QString &key);

// Why a category name cannot be used, empty when it can: an empty name, a
// name with '/' or '\', or characters the job database cannot hold.
QString nameError(const QString &name);
// A key for a new child of `parentKey` that neither the tree nor any job
// uses: the parent's key followed by its child count plus one when free,
// else by the smallest number that is free.
QString newKey(const CategoryStore &tree, const JobTable &jobs, const QString &parentKey);
// The folder shown for a new category: the parent's folder, followed by the
// name when `withName` is set.
QString proposedFolder(const QString &parentFolder, const QString &name, bool withName);
// A folder as stored in a node's tag: with a trailing '/'.
QString folderTag(const QString &folder);

// "Create": a child of `parentKey` named `name` with the folder `folder`,
// which is created first when `makeFolder` is set and it does not exist.
// Returns the new key in `key`.
EditResult create(CategoryStore &tree, const JobTable &jobs, const QString &parentKey,
                  const QString &name, const QString &folder, bool makeFolder,
                  const DbCommit &commit);
// Moves a category (with its sub-tree) below `targetKey`. "Downloaded" and
// a move onto the node itself change nothing; a move into its own sub-tree or
// below a node that is not a filing node is refused. With `moveFiles` the
// files of the category's complete jobs move into the target's folder.
EditResult move(CategoryStore &tree, JobTable &jobs, const QString &key, const QString &targetKey,
                const DbCommit &commit, bool moveFiles = false,
                const FileMove::AskOverwrite &ask = {});
// "OK" of the properties: the name as the node's text, the folder as its tag.
EditResult setProperties(CategoryStore &tree, const QString &key, const QString &name,
                         const QString &folder, const DbCommit &commit);
// Deletes a category with its sub-tree: its complete jobs go to "Recely",
// `haveDown` (lvHaveDown) is emptied. Direct children of the root and the fixed nodes are
// refused with "Error!" and "Can not Delete this Category!".
EditResult remove(CategoryStore &tree, JobTable &jobs, ListRowModel &haveDown, const QString &key,
                  const DbCommit &commit);

// Jobs whose category key names no node of the tree (their category was
// deleted) are filed under "Downloaded"; returns how many.
int adoptOrphanJobs(const CategoryStore &tree, JobTable &jobs);

} // namespace CategoryEdit
