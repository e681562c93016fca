#include "platform/AppFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

QString applicationFolder(const QString &executableDir) {
    QString folder = qEnvironmentVariable("MOORQUILL_HOME");
    if (folder.isEmpty()) {
        const QFileInfo exe(executableDir);
        if (!executableDir.isEmpty() && exe.isDir() && exe.isWritable()) {
            folder = executableDir;
        } else {
            QString data = qEnvironmentVariable("XDG_DATA_HOME");
            if (data.isEmpty())
                data = QDir::homePath() + QStringLiteral("/.local/share");
            folder = data + QStringLiteral("/moorquill");
        }
    }
    QDir().mkpath(folder);
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

QString defaultDownloadFolder() { return QDir::homePath() + QStringLiteral("/mydown/"); }
