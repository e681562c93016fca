#include "search/PageFile.h"

#include "base/OleDate.h"
#include "jobs/CategoryStore.h"
#include "jobs/CategoryTree.h"
#include "search/PageScan.h"
#include "search/PageText.h"
#include "search/SearchUrl.h"
#include "search/clsDownHtml.h"

namespace PageFile {

QString BaseHref(const QByteArray &page) {
    return PageScan::BaseHref(PageText::Decode(page)).trimmed();
}

int Process(SearchStores stores, const CategoryStore &tree, const QString &downloadFolder,
            const QString &userAgent, const QByteArray &page, const QString &baseUrl,
            QString *error) {
    SearchJobRecord rec;
    rec.Url = baseUrl.trimmed();
    if (!SearchUrl::ParseSearchUrl(rec, error)) return -1;
    DownJobRecord &t = rec.JobTemplate;
    if (const CategoryStore::Node *downloaded = tree.find(TreeKey::Downloaded)) {
        const CategoryStore::Node *first =
            downloaded->children.empty() ? downloaded : downloaded->children.front().get();
        t.CategoryKey = first->key;
        t.SavePath = first->tag;
    }
    if (t.SavePath.isEmpty()) t.SavePath = downloadFolder;
    if (!t.SavePath.isEmpty() && !t.SavePath.endsWith(QLatin1Char('/')) &&
        !t.SavePath.endsWith(QLatin1Char('\\')))
        t.SavePath += QLatin1Char('/');
    t.Parts = 5;
    t.UserAgent = userAgent;
    t.State = StateWaiting;
    t.IsNew = kTrue;
    t.CreateTime = OleDate::now();

    clsDownHtml search(stores);
    int found = 0;
    QObject::connect(&search, &clsDownHtml::UpdataState, &search, [&found](const QString &type) {
        found += type == QLatin1String("Found Flash");
    });
    search.SetPage(rec, page);
    search.Fenxi();
    return found;
}

} // namespace PageFile
