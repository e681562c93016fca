#pragma once

#include <QString>
#include <functional>

// Moving and copying files for the editing commands. Every failure names the
// file and the system's reason; a source is never removed unless its copy is
// complete and has the source's length.
namespace FileMove {

// Asked when a target exists: true to overwrite it.
using AskOverwrite = std::function<bool(const QString &target)>;

enum class Outcome { Done, Skipped, Failed };

struct Result {
    Outcome outcome = Outcome::Done;
    QString message; // for Failed
    bool done() const { return outcome == Outcome::Done; }
};

// The file name part of a path: the text after its last '/' or '\'.
QString fileNameOf(const QString &path);
// `folder` with a '/' appended when missing, followed by `name`.
QString joinPath(const QString &folder, const QString &name);

// Moves `source` to `target`: a rename on one file system, else a copy whose
// length is checked before the source is deleted. An existing target is
// overwritten only when `ask` says yes (no `ask` means never); "no" skips.
// The target's folder is created when missing.
Result moveFile(const QString &source, const QString &target, const AskOverwrite &ask);
// Copies `source` to `target` through a temporary file beside the target,
// with the same question for an existing target.
Result copyFile(const QString &source, const QString &target, const AskOverwrite &ask);
// Deletes a file; a file that is already gone counts as deleted.
Result deleteFile(const QString &path);
// Creates a folder with its parents.
Result makeFolder(const QString &folder);

} // namespace FileMove
