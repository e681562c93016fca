#include "search/PageFile.h"

#include "core/AppCore.h"
#include "core/OleDate.h"
#include "jobs/CategoryTree.h"
#include "search/PageScan.h"
#include "search/PageText.h"
#include "search/SearchUrl.h"
#include "search/clsDownHtml.h"

namespace PageFile {

QString BaseHref(const QByteArray &page) {
    return PageScan::BaseHref(PageText::Decode(page)).trimmed();
}

int Process(AppCore &core, const QByteArray &page, const QString &baseUrl, QString *error) {
    SearchJobRecord rec;
    rec.Url = baseUrl.trimmed();
    if (!SearchUrl::ParseSearchUrl(rec, error)) return -1;
    DownJobRecord &t = rec.JobTemplate;
    if (const CategoryStore::Node *downloaded = core.tree.find(TreeKey::Downloaded)) {
        const CategoryStore::Node *first =
            downloaded->children.empty() ? downloaded : downloaded->children.front().get();
        t.CategoryKey = first->key;
        t.SavePath = first->tag;
    }
    if (t.SavePath.isEmpty()) t.SavePath = core.paths.DownloadFolder;
    if (!t.SavePath.isEmpty() && !t.SavePath.endsWith(QLatin1Char('/')) &&
        !t.SavePath.endsWith(QLatin1Char('\\')))
        t.SavePath += QLatin1Char('/');
    t.Parts = 5;
    t.UserAgent = core.settings.Useragent;
    t.State = StateWaiting;
    t.IsNew = kTrue;
    t.CreateTime = OleDate::now();

    clsDownHtml search(core);
    int found = 0;
    QObject::connect(&search, &clsDownHtml::UpdataState, &search, [&found](const QString &type) {
        found += type == QLatin1String("Found Flash");
    });
    search.SetPage(rec, page);
    search.Fenxi();
    return found;
}

} // namespace PageFile
