#include "engine/JobFile.h"

#include "core/Settings.h"
#include "engine/BodyPipe.h"
#include "jobs/DownJobRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <cerrno>
#include <cstring>

namespace {
constexpr int kMaxRenames = 10000;
} // namespace

QString JobFile::NewPath(const DownJobRecord &job, const Settings &settings, bool reuse,
                         bool *renamed) {
    *renamed = false;
    QString path = job.SavePath;
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        path += job.FileName.isEmpty() ? QStringLiteral("index.html") : job.FileName;
    if (reuse) return path;
    if (settings.UseMQ == 1) path += QStringLiteral("!mq");
    if (settings.Fileexits) return path;
    int counter = 0;
    while (QFileInfo::exists(path) && counter < kMaxRenames) {
        const int dot = int(path.lastIndexOf(QLatin1Char('.')));
        const bool inName = dot > path.lastIndexOf(QLatin1Char('/'));
        path = inName ? path.left(dot) + QString::number(counter) + path.mid(dot)
                      : path + QString::number(counter);
        ++counter;
    }
    *renamed = counter > 0;
    return path;
}

bool JobFile::create(const QString &path, qint64 size, const FilePreallocator::Progress &progress,
                     QString *error) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("Cannot create the folder %1.").arg(folder);
        return false;
    }
    if (!m_file.open(path)) {
        *error = QStringLiteral("Cannot create the file %1: %2").arg(path, m_file.error());
        return false;
    }
    if (size < 0) {
        if (m_file.truncate(0)) return true;
        *error = QStringLiteral("Cannot write the file %1: %2").arg(path, m_file.error());
        return false;
    }
    // Refuse a file larger than the space left (what the file already holds
    // will be reused).
    const qint64 free = QStorageInfo(folder).bytesAvailable();
    const qint64 needed = size - m_file.size();
    if (free >= 0 && needed > free) {
        *error = QStringLiteral("Not enough free space for %1: %2 bytes needed, %3 bytes free.")
                     .arg(path)
                     .arg(needed)
                     .arg(free);
        return false;
    }
    QString reason;
    if (FilePreallocator::Allocate(m_file, size, progress, &reason)) return true;
    *error = QStringLiteral("Cannot give the file %1 its size of %2 bytes: %3")
                 .arg(path)
                 .arg(size)
                 .arg(reason);
    return false;
}

bool JobFile::reopen(const QString &path, QString *error) {
    const QString folder = QFileInfo(path).absolutePath();
    if (QDir().mkpath(folder) && m_file.open(path)) return true;
    *error = QStringLiteral("Cannot open the file %1: %2").arg(path, m_file.error());
    return false;
}

bool JobFile::writeFromPipe(BodyPipe &pipe, qint64 pos, QString *error) {
    int errnum = EBADF;
    if (m_file.isOpen() && pipe.drainTo(m_file.handle(), pos, &errnum)) return true;
    pipe.discard();
    *error = QString::fromLocal8Bit(std::strerror(errnum));
    return false;
}
