// The local file of a download job: choosing its path, giving it its size,
// opening it again to continue, and the positioned writes.
#include "engine/clsDownLoadJob.h"

#include "core/AppCore.h"
#include "engine/FilePreallocator.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace {
constexpr int kMaxRenames = 10000;
} // namespace

// ---- the local file --------------------------------------------------------

bool clsDownLoadJob::CreateFileForSave(bool reusePath) {
    QString path = m_job.SavePath;
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        path += m_job.FileName.isEmpty() ? QStringLiteral("index.html") : m_job.FileName;
    if (!reusePath) {
        if (m_core.settings.UseMQ == 1) path += QStringLiteral("!mq");
        if (!m_core.settings.Fileexits) {
            int counter = 0;
            while (QFileInfo::exists(path) && counter < kMaxRenames) {
                const int dot = int(path.lastIndexOf(QLatin1Char('.')));
                const bool inName = dot > path.lastIndexOf(QLatin1Char('/'));
                path = inName ? path.left(dot) + QString::number(counter) + path.mid(dot)
                              : path + QString::number(counter);
                ++counter;
            }
            if (counter > 0 && !report(1, QStringLiteral("Autorename"), path)) return false;
        }
    }
    m_job.SavePath = path;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        fail(QStringLiteral("Cannot create the folder %1.").arg(folder));
        return false;
    }
    if (!m_file.open(path)) {
        fail(QStringLiteral("Cannot create the file %1: %2").arg(path, m_file.error()));
        return false;
    }
    if (m_job.part(1).EndPos != kUnknownEnd) {
        // Refuse a file larger than the space left (what the file already
        // holds will be reused).
        const qint64 free = QStorageInfo(folder).bytesAvailable();
        const qint64 needed = m_job.TotalSize - m_file.size();
        if (free >= 0 && needed > free) {
            fail(QStringLiteral("Not enough free space for %1: %2 bytes needed, %3 bytes free.")
                     .arg(path)
                     .arg(needed)
                     .arg(free));
            return false;
        }
        const quint32 run = m_run;
        QString error;
        const bool ok = FilePreallocator::Allocate(
            m_file, m_job.TotalSize,
            [this](qint64 done, qint64 total) { emit FileCreation(done, total); }, &error);
        if (run != m_run) return false;
        if (!ok) {
            fail(QStringLiteral("Cannot give the file %1 its size of %2 bytes: %3")
                     .arg(path)
                     .arg(m_job.TotalSize)
                     .arg(error));
            return false;
        }
    } else if (!m_file.truncate(0)) {
        fail(QStringLiteral("Cannot write the file %1: %2").arg(path, m_file.error()));
        return false;
    }
    m_job.FileOpen = kTrue;
    m_job.FileNumber = m_file.handle();
    return true;
}

bool clsDownLoadJob::openSavedFile() {
    const QString folder = QFileInfo(m_job.SavePath).absolutePath();
    if (!QDir().mkpath(folder) || !m_file.open(m_job.SavePath)) {
        fail(QStringLiteral("Cannot open the file %1: %2").arg(m_job.SavePath, m_file.error()));
        return false;
    }
    m_job.FileOpen = kTrue;
    m_job.FileNumber = m_file.handle();
    return true;
}

bool clsDownLoadJob::writeBody(int k, const char *data, qint64 size) {
    if (size <= 0) return true;
    PartRange &range = m_job.part(k);
    if (qint64(range.Pos) + size > kUnknownEnd) {
        fail(QStringLiteral("The file is too large: more than 2147483647 bytes."));
        return false;
    }
    if (!m_file.isOpen() || !m_file.writeAt(range.Pos, data, size)) {
        fail(QStringLiteral("Cannot write the file %1: %2").arg(m_job.SavePath, m_file.error()));
        return false;
    }
    range.Pos += qint32(size);
    m_retry.dataArrived(k);
    return true;
}
