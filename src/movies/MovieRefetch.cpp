#include "movies/MovieRefetch.h"

#include "jobs/DownJobRecord.h"

#include <QFile>

QString prepareRefetch(DownJobRecord &record) {
    const QString path = record.SavePath;
    if (QFile::exists(path)) {
        const QString aside = path + QStringLiteral(".damaged");
        QFile::remove(aside);
        QFile file(path);
        if (!file.rename(aside))
            return QStringLiteral("Cannot move %1 aside: %2").arg(path, file.errorString());
    }
    record.State = StateWaiting;
    record.IsNew = kTrue; // a new download to the same path
    record.Received = 0;
    record.TotalSize = 0;
    for (PartRange &range : record.PartRanges)
        range = PartRange();
    return {};
}
