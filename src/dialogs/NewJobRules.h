#pragma once

#include "jobs/DownJobRecord.h"
#include "search/NewSearch.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct AppCore;
class CategoryStore;

// The rules of the new-job dialog: the values its pages hold and the job
// records (and search request) they give. The dialog only moves values
// between its widgets and these functions; `mq add` uses them too.
namespace NewJobRules {

// "Rename:" from a URL: the text after its last "/" (backslashes count as
// slashes; empty without one), cut before the first "?".
QString renameFromUrl(const QString &url);
// The file name of a batch entry: the text after its last "/" (backslashes
// count as slashes; empty without one); a query stays part of it.
QString fileNameFromUrl(const QString &url);
// A folder chosen with "&Browse", ending in the directory separator.
QString folderWithSeparator(const QString &folder);

// The values of a " Save Option " page (or of " Gerenal " with the referer
// and comment of that page).
struct JobOptions {
    QString categoryKey;
    QString saveFolder; // ends in "/" as the category folders do
    int parts = 5;
    QString userAgent;
    int proxyIndex = 0; // 0: "Direct Connection"
    QString proxyText;  // the chosen entry, "host:port"
    bool login = false;
    QString userName, password;
    bool manual = false; // "Manual": paused; "Immediate": waiting
    QString referer, comment;
    QString cookies; // the browser session's, for this run only
};

// A link handed over to mode 4: the URL and its text.
struct LinkEntry {
    QString url;
    QString comment;
};

// What adding gave: the new job indexes and, when some or all could not be
// added, a message for the user.
struct Added {
    QVector<int> jobs;
    QString message;
};

// The record of one new download job (not yet stored).
DownJobRecord newJobRecord(const JobOptions &options, const QString &url, const QString &fileName,
                           double now);

// Mode 1: one job, saved as folder + rename; listed with AddJobToList.
Added AddNewJob(AppCore &core, const JobOptions &options, const QString &url,
                const QString &rename);
// Mode 3: one job per entry, in order, named after fileNameFromUrl.
Added AddBatFile(AppCore &core, const JobOptions &options, const QStringList &urls);
// Mode 4: one job per link, as AddBatFile, each with its link's comment.
Added AddLinkJobs(AppCore &core, const JobOptions &options, const QVector<LinkEntry> &links);

// Mode 2: the new page search the options describe (category, folder,
// parts, agent, cookies, proxy, login; "Manual" as a waiting search). Fails
// (message set) only when the chosen proxy entry has no valid port.
bool newSearchRequest(const JobOptions &options, const QString &url, int depth,
                      NewSearchValues *out, QString *message);

// The categories below "Downloaded" in tree order (depth 0 for its
// children), each with its folder; "Downloaded" itself when it has none.
struct CategoryChoice {
    QString key, text, image, folder;
    int depth = 0;
};
QVector<CategoryChoice> categoryChoices(const CategoryStore &tree);

// A word for the user about a URL while it is typed: whether the download
// engine can take it, and what happens to a file already at savePath
// (overwritten or renamed, after the Fileexits setting). Empty when fine.
QString urlWarning(const QString &url, const QString &savePath, bool overwrite);

// The URL in a text handed over by paste or drop: its first line, trimmed,
// when that starts with http:// or https:// (any case); otherwise empty.
QString webUrlOf(const QString &text);

extern const QString kNeedDownloadUrl; // "please input download url !"
extern const QString kNeedSearchUrl;   // "please input Search url !"

} // namespace NewJobRules
