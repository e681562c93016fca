#include "jobs/FileMove.h"

#include "jobs/ListTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace FileMove {
namespace {

Result failed(const QString &what, const QString &path, const QString &reason) {
    Result r;
    r.outcome = Outcome::Failed;
    r.message = QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason);
    return r;
}

Result skipped() {
    Result r;
    r.outcome = Outcome::Skipped;
    return r;
}

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Checks the target: its folder exists (created when missing) and an existing
// target is allowed. Returns Done when the operation may go on.
Result prepareTarget(const QString &source, const QString &target, const AskOverwrite &ask) {
    const QFileInfo src(source);
    if (!src.isFile())
        return failed(QStringLiteral("Can not read"), source, QStringLiteral("No such file"));
    const QFileInfo dst(target);
    if (dst.exists()) {
        if (dst.isDir())
            return failed(QStringLiteral("Can not write"), target, QStringLiteral("Is a folder"));
        if (src.canonicalFilePath() == dst.canonicalFilePath()) return skipped();
        if (!ask || !ask(target)) return skipped();
    }
    return makeFolder(dst.absolutePath());
}

Result copyInto(const QString &source, const QString &target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("Can not read"), source, in.errorString());
    QSaveFile out(target);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return failed(QStringLiteral("Can not write"), target, out.errorString());
    QByteArray block;
    qint64 copied = 0;
    while (!(block = in.read(1 << 20)).isEmpty()) {
        if (out.write(block) != block.size()) {
            const QString reason = out.errorString();
            out.cancelWriting();
            return failed(QStringLiteral("Can not write"), target, reason);
        }
        copied += block.size();
    }
    if (in.error() != QFile::NoError) {
        out.cancelWriting();
        return failed(QStringLiteral("Can not read"), source, in.errorString());
    }
    if (copied != in.size()) {
        out.cancelWriting();
        return failed(QStringLiteral("Can not copy"), source, QStringLiteral("the copy is short"));
    }
    if (!out.commit()) return failed(QStringLiteral("Can not write"), target, out.errorString());
    if (QFileInfo(target).size() != copied) {
        QFile::remove(target);
        return failed(QStringLiteral("Can not copy"), source, QStringLiteral("the copy is short"));
    }
    return {};
}

} // namespace

QString fileNameOf(const QString &path) {
    return ListTexts::fileNamePart(path);
}

QString joinPath(const QString &folder, const QString &name) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

Result makeFolder(const QString &folder) {
    const QFileInfo info(folder);
    if (info.isDir()) return {};
    if (info.exists())
        return failed(QStringLiteral("Can not create folder"), folder,
                      QStringLiteral("Not a folder"));
    // Created level by level, so that the reason of the failing level is known.
    QString path;
    const QStringList parts = QDir::cleanPath(QFileInfo(folder).absoluteFilePath())
                                  .split(QLatin1Char('/'), Qt::KeepEmptyParts);
    for (const QString &part : parts) {
        path += part + QLatin1Char('/');
        if (part.isEmpty() || QFileInfo(path).isDir()) continue;
        if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0 && errno != EEXIST)
            return failed(QStringLiteral("Can not create folder"), folder, errnoText(errno));
        if (!QFileInfo(path).isDir())
            return failed(QStringLiteral("Can not create folder"), folder,
                          QStringLiteral("Not a folder"));
    }
    return {};
}

Result copyFile(const QString &source, const QString &target, const AskOverwrite &ask) {
    const Result prepared = prepareTarget(source, target, ask);
    if (!prepared.done()) return prepared;
    return copyInto(source, target);
}

Result moveFile(const QString &source, const QString &target, const AskOverwrite &ask) {
    const Result prepared = prepareTarget(source, target, ask);
    if (!prepared.done()) return prepared;
    if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) ==
        0)
        return {};
    if (errno != EXDEV) return failed(QStringLiteral("Can not move"), source, errnoText(errno));
    const Result copied = copyInto(source, target);
    if (!copied.done()) return copied;
    // The copy is complete and in use even when the old file cannot be removed;
    // the message then says so.
    const Result removed = deleteFile(source);
    return Result{Outcome::Done, removed.message};
}

Result deleteFile(const QString &path) {
    if (path.isEmpty()) return {};
    const QByteArray name = QFile::encodeName(path);
    if (::unlink(name.constData()) == 0 || errno == ENOENT) return {};
    return failed(QStringLiteral("Can not delete"), path, errnoText(errno));
}

} // namespace FileMove
