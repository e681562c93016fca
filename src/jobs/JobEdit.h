#pragma once

#include "jobs/EditResult.h"
#include "jobs/FileMove.h"

#include <QString>
#include <QVector>

struct DbCommit;
class CategoryStore;
class JobLists;
class JobTable;
class ListRowModel;
struct DownJobRecord;

// The rules of the job editing commands: move to a category, comment,
// delete, rename, output a copy, find. Commands that change records write
// the job database at once through `commit`.
namespace JobEdit {

// "&Move To...": gives the selected completed jobs the key `targetKey` and
// removes their rows from lvHaveDown. Nothing happens when the target is the
// category shown (`shownKey`). With `moveFiles` each file moves into the
// target's folder first; a file that cannot move keeps its job where it was.
EditResult moveJobs(const CategoryStore &tree, JobTable &table, JobLists &lists,
                    const QVector<int> &jobs, const QString &targetKey, const QString &shownKey,
                    bool moveFiles, const FileMove::AskOverwrite &ask, const DbCommit &commit);

// Moves a job's file into `folder` under its own name and points the record
// at it; false (the record unchanged, the reason added to `result` when
// there is one) when the move was skipped or failed. A file already there,
// or a job without a file, counts as moved.
bool moveJobFile(DownJobRecord &job, const QString &folder, const FileMove::AskOverwrite &ask,
                 EditResult &result);

// "&Comment...": stores the comment of a job.
EditResult setComment(JobTable &table, int job, const QString &comment, const DbCommit &commit);

// What "&Delete" does in views 2 and 3.
enum class DeleteKind {
    Unfinished, // view 2: to "Recely_Really" with state 4; Check1 deletes the file
    ForGood,    // view 3 on "Recely": to "Recely_Really"; Check2 deletes the file
    ToRecycle,  // view 3 elsewhere: complete jobs to "Recely"
};
// The kind of delete for a view and the selected tree node.
DeleteKind deleteKindFor(int view, const QString &nodeKey);
// Whether "&Delete" opens the confirmation dialog frmDelete.
bool deleteAsks(DeleteKind kind);
// Deletes the jobs as the kind says, removes their rows and writes the job
// database. Running jobs are refused (their records stay); a file that cannot
// be deleted leaves its job unchanged.
EditResult deleteJobs(JobTable &table, JobLists &lists, DeleteKind kind, const QVector<int> &jobs,
                      bool deleteFiles, const DbCommit &commit);

// "&Output File To...": the target for a job's file in `folder`.
QString outputTarget(const QString &savePath, const QString &folder);
// Copies the job's file to `folder`; an existing target is replaced only when
// `ask` says yes. The record is unchanged.
FileMove::Result outputFile(const JobTable &jobs, int job, const QString &folder,
                            const FileMove::AskOverwrite &ask);

// "&Rename...": renames a completed job's file on disk and in its record.
// Names with '/' and names that exist are refused.
EditResult rename(JobTable &table, JobLists &lists, int job, const QString &newName,
                  const DbCommit &commit);

// "&Find..." / "Find &Next": the first row after `afterRow` (wrapping) whose
// job's file name, URL or comment contains `text` (any case); -1 when none.
int findRow(const ListRowModel &list, const JobTable &jobs, const QString &text, int afterRow);

// "&Output Down Info...": the information of the jobs as text, one block per job.
QString downInfoText(const JobTable &jobs, const QVector<int> &jobIndexes);

} // namespace JobEdit
