#pragma once

#include <QString>

// The folder that holds the program's own files (settings, job database,
// registry store): $MOORQUILL_HOME when set; else the executable's folder when
// it already holds set.ini or a file named "portable" (portable use); else
// $XDG_DATA_HOME/moorquill (~/.local/share/moorquill). An installed program
// never writes beside its executable, whoever runs it.
QString applicationFolder(const QString &executableDir);

// Creates `folder` when missing and checks that a file can be written there.
// False with a message naming the folder and the system's reason otherwise.
bool prepareApplicationFolder(const QString &folder, QString *error);

// The user's default download folder, "$HOME/mydown/" (with a trailing '/').
QString defaultDownloadFolder();

// A file the program reads but never writes (the user guide, ...): beside the
// executable in a build or portable folder, else in the installed
// share/moorquill beside bin/.
QString programDataFile(const QString &executableDir, const QString &name);
