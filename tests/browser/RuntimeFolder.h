#pragma once

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

// A fresh XDG_RUNTIME_DIR only the user may enter (the program's socket lives
// there); the caller owns the folder.
inline QTemporaryDir *privateRuntimeFolder() {
    auto *dir = new QTemporaryDir;
    ::chmod(QFile::encodeName(dir->path()).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", dir->path().toLocal8Bit());
    return dir;
}
