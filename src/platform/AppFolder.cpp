#include "platform/AppFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

QString applicationFolder(const QString &executableDir) {
    QString folder = qEnvironmentVariable("MOORQUILL_HOME");
    if (folder.isEmpty()) {
        const QDir exe(executableDir);
        if (!executableDir.isEmpty() &&
            (QFileInfo::exists(exe.filePath(QStringLiteral("set.ini"))) ||
             QFileInfo::exists(exe.filePath(QStringLiteral("portable"))))) {
            folder = executableDir;
        } else {
            QString data = qEnvironmentVariable("XDG_DATA_HOME");
            if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
            folder = data + QStringLiteral("/moorquill");
        }
    }
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

bool prepareApplicationFolder(const QString &folder, QString *error) {
    const auto fail = [&](const QString &reason) {
        if (error)
            *error =
                QStringLiteral("MoorQuill cannot keep its files in %1: %2").arg(folder, reason);
        return false;
    };
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) return fail(QStringLiteral("it is not a folder"));
    if (!info.exists()) {
        // mkdir's own reason: QDir::mkpath gives none.
        QString built;
        for (const QString &part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            built += QLatin1Char('/') + part;
            if (QFileInfo(built).isDir()) continue;
            if (::mkdir(QFile::encodeName(built).constData(), 0755) != 0 && errno != EEXIST)
                return fail(QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
    // access() says yes to root even on a read-only file system: write a file.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-test-XXXXXX")));
    if (!probe.open()) return fail(probe.errorString());
    return true;
}

QString defaultDownloadFolder() {
    return QDir::homePath() + QStringLiteral("/mydown/");
}

QString programDataFile(const QString &executableDir, const QString &name) {
    const QString beside = QDir(executableDir).filePath(name);
    const QString installed =
        QDir::cleanPath(executableDir + QStringLiteral("/../share/moorquill/") + name);
    return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}
