#include "search/NewSearch.h"

#include "base/OleDate.h"
#include "search/SearchSlot.h"
#include "search/SearchTable.h"

int AddNewSearch(SearchTable &searches, SearchSlot &slot, const NewSearchValues &values) {
    SearchJobRecord rec;
    rec.Url = values.url;
    rec.EnteredUrl = values.url;
    rec.Depth = values.depth;
    rec.State = values.manual ? SearchPaused : SearchWaiting;
    rec.UseProxy = values.useProxy ? kTrue : kFalse;
    rec.ProxyHost = values.useProxy ? values.proxyHost : QString();
    rec.ProxyPort = values.useProxy ? qint16(values.proxyPort) : qint16(0);
    rec.UseLogin = values.useLogin ? kTrue : kFalse;
    rec.UserName = values.userName;
    rec.Password = values.password;

    DownJobRecord &t = rec.JobTemplate;
    t.CategoryKey = values.categoryKey;
    // The folder is followed directly by each movie's file name.
    t.SavePath = values.saveFolder;
    if (!t.SavePath.isEmpty() && !t.SavePath.endsWith(QLatin1Char('/')) &&
        !t.SavePath.endsWith(QLatin1Char('\\')))
        t.SavePath += QLatin1Char('/');
    t.Parts = values.parts;
    t.UserAgent = values.userAgent;
    t.Cookies = values.cookies;
    copyServerAccess(rec, t);
    t.State = rec.State;
    t.IsNew = kTrue;
    t.FileOpen = kFalse;
    t.CreateTime = OleDate::now();

    const int index = searches.add(rec);
    if (index != 0) slot.AddSearchToList(index);
    return index;
}
