#pragma once

#include <QString>

// The folder that holds the program's own files (settings, job database,
// registry store): $MOORQUILL_HOME when set, else the executable's folder when
// it is writable, else $XDG_DATA_HOME/moorquill (~/.local/share/moorquill).
// The folder is created when missing.
QString applicationFolder(const QString &executableDir);

// The user's default download folder, "$HOME/mydown/" (with a trailing '/').
QString defaultDownloadFolder();
