#include "update/NewJobFromUrl.h"

#include "core/AppCore.h"
#include "core/OleDate.h"

#include <QUrl>

int AddJobFromUrl(AppCore &core, const QString &url) {
    if (url.trimmed().isEmpty()) return 0;
    DownJobRecord rec;
    rec.Url = url.trimmed();
    rec.CategoryKey = QStringLiteral("Downloaded");
    rec.FileName = QUrl(rec.Url).fileName();
    if (rec.FileName.isEmpty()) rec.FileName = QStringLiteral("index.html");
    rec.SavePath = core.paths.DownloadFolder + rec.FileName;
    const qint16 parts = core.settings.Parts;
    rec.Parts = parts >= 1 && parts <= 10 ? parts : qint16(1);
    rec.UserAgent = core.settings.Useragent;
    rec.State = StateWaiting;
    rec.IsNew = kTrue;
    rec.FileOpen = kFalse;
    rec.CreateTime = OleDate::now();
    const int index = core.DownJobs.add(rec);
    core.lists.AddJobToList(index);
    return index;
}
