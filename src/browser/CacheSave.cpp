#include "browser/CacheSave.h"

#include "base/OleDate.h"
#include "jobs/DbCommit.h"
#include "jobs/ImportFiles.h"
#include "session/AppCore.h"

#include <QFile>
#include <QSaveFile>

namespace CacheSave {

QString fileNameOf(const QString &url) {
    return url.mid(url.lastIndexOf(QLatin1Char('/')) + 1);
}

QString targetPath(const QString &folder, const QString &name) {
    QString target = folder + QLatin1Char('/') + name;
    target.replace(QLatin1String("//"), QLatin1String("/"));
    return target;
}

QString copyFile(const QString &from, const QString &to, qint64 &length) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) return in.errorString();
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly)) return out.errorString();
    length = 0;
    for (;;) {
        const QByteArray block = in.read(256 * 1024);
        if (block.isEmpty()) break;
        if (out.write(block) != block.size()) {
            out.cancelWriting();
            return out.errorString();
        }
        length += block.size();
    }
    if (in.error() != QFileDevice::NoError) {
        out.cancelWriting();
        return in.errorString();
    }
    if (!out.commit()) return out.errorString();
    return {};
}

Result saveMovie(AppCore &core, const DbCommit &commit, const QString &url, const QString &bodyFile,
                 const QString &target, const QString &categoryKey, const QString &comment) {
    Result result;
    if (bodyFile.isEmpty()) {
        result.message = failedText(target, QStringLiteral("the cache entry could not be read"));
        return result;
    }
    qint64 length = 0;
    const QString error = copyFile(bodyFile, target, length);
    if (!error.isEmpty()) {
        result.message = failedText(target, error);
        return result;
    }
    if (length > 0x7fffffff) {
        QFile::remove(target);
        result.message = failedText(target, QStringLiteral("the file is too large"));
        return result;
    }
    result.job = core.DownJobs.add(
        ImportFiles::importRecord(categoryKey, target, length, {}, comment, OleDate::now()));
    if (result.job == 0) {
        result.message = failedText(target, QStringLiteral("the job list is full"));
        return result;
    }
    result.message = succeededText(url, target);
    const QString dbError = commit();
    if (!dbError.isEmpty()) result.message += QLatin1Char('\n') + dbError;
    return result;
}

QString succeededText(const QString &url, const QString &target) {
    return QStringLiteral("Save Flash Catoon File :\n%1\nto \n%2\nsucceed .").arg(url, target);
}

QString failedText(const QString &target, const QString &reason) {
    return QStringLiteral("Could not save the Flash file to %1: %2").arg(target, reason);
}

QString notCachedQuestion() {
    return QStringLiteral("Flash catoon file has not downloaded completely by IE , do you want "
                          "to use Moorquill to download it ?");
}

} // namespace CacheSave
