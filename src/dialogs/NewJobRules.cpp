#include "dialogs/NewJobRules.h"

#include "base/OleDate.h"
#include "core/ProxyList.h"
#include "engine/HttpExchange.h"
#include "jobs/CategoryTree.h"
#include "session/AppCore.h"

#include <QFileInfo>

namespace NewJobRules {

const QString kNeedDownloadUrl = QStringLiteral("please input download url !");
const QString kNeedSearchUrl = QStringLiteral("please input Search url !");

namespace {
int lastSlash(const QString &url) {
    return int(qMax(url.lastIndexOf(QLatin1Char('/')), url.lastIndexOf(QLatin1Char('\\'))));
}

const QString kTableFull =
    QStringLiteral("The job list is full (%1 jobs): %2 of %3 new jobs could not be added.");

bool applyProxy(const JobOptions &o, DownJobRecord &r, QString *message) {
    const ProxyChoice proxy = chooseProxy(o.proxyIndex, o.proxyText);
    if (!proxy.ok) {
        if (message) *message = proxy.error;
        return false;
    }
    r.UseProxy = proxy.UseProxy;
    r.ProxyHost = proxy.ProxyHost;
    r.ProxyPort = proxy.ProxyPort;
    return true;
}

Added addAll(AppCore &core, const JobOptions &options, const QVector<LinkEntry> &links,
             bool nameFromUrl, const QString &rename = {}) {
    Added out;
    DownJobRecord probe = newJobRecord(options, {}, {}, 0);
    if (!applyProxy(options, probe, &out.message)) return out;
    const double now = OleDate::now();
    for (const LinkEntry &link : links) {
        const QString name = nameFromUrl ? fileNameFromUrl(link.url) : rename;
        DownJobRecord r = newJobRecord(options, link.url, name, now);
        if (!link.comment.isEmpty()) r.Comment = link.comment;
        const int index = core.DownJobs.add(r);
        if (index == 0) {
            out.message = kTableFull.arg(JobTable::kMaxJobs)
                              .arg(links.size() - out.jobs.size())
                              .arg(links.size());
            break;
        }
        out.jobs.append(index);
        core.lists.AddJobToList(index);
    }
    return out;
}
} // namespace

QString renameFromUrl(const QString &url) {
    const QString name = fileNameFromUrl(url);
    const int query = int(name.indexOf(QLatin1Char('?')));
    return query < 0 ? name : name.left(query);
}

QString fileNameFromUrl(const QString &url) {
    const int slash = lastSlash(url);
    return slash < 0 ? QString() : url.mid(slash + 1);
}

QString folderWithSeparator(const QString &folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

DownJobRecord newJobRecord(const JobOptions &o, const QString &url, const QString &fileName,
                           double now) {
    DownJobRecord r;
    r.Url = url;
    r.Referer = o.referer;
    r.FileName = fileName;
    r.SavePath = o.saveFolder + fileName;
    r.CategoryKey = o.categoryKey;
    r.Parts = qint16(qBound(1, o.parts, kMaxParts));
    r.Comment = o.comment;
    r.UserAgent = o.userAgent;
    r.Cookies = o.cookies;
    applyProxy(o, r, nullptr);
    r.UseLogin = o.login ? kTrue : kFalse;
    r.UserName = o.userName;
    r.Password = o.password;
    r.State = o.manual ? StatePaused : StateWaiting;
    r.IsNew = kTrue;
    r.FileOpen = kFalse;
    r.CreateTime = now;
    return r;
}

Added AddNewJob(AppCore &core, const JobOptions &options, const QString &url,
                const QString &rename) {
    return addAll(core, options, {LinkEntry{url, {}}}, false, rename);
}

Added AddBatFile(AppCore &core, const JobOptions &options, const QStringList &urls) {
    QVector<LinkEntry> links;
    links.reserve(urls.size());
    for (const QString &url : urls)
        links.append(LinkEntry{url, {}});
    return addAll(core, options, links, true);
}

Added AddLinkJobs(AppCore &core, const JobOptions &options, const QVector<LinkEntry> &links) {
    return addAll(core, options, links, true);
}

bool newSearchRequest(const JobOptions &options, const QString &url, int depth,
                      NewSearchValues *out, QString *message) {
    DownJobRecord t = newJobRecord(options, {}, {}, 0);
    if (!applyProxy(options, t, message)) return false;
    out->url = url;
    out->depth = qint16(depth);
    out->manual = t.State == StatePaused;
    out->categoryKey = t.CategoryKey;
    out->saveFolder = t.SavePath; // the folder alone
    out->parts = t.Parts;
    out->userAgent = t.UserAgent;
    out->cookies = t.Cookies;
    out->useProxy = t.UseProxy != kFalse;
    out->proxyHost = t.ProxyHost;
    out->proxyPort = quint16(t.ProxyPort);
    out->useLogin = t.UseLogin != kFalse;
    out->userName = t.UserName;
    out->password = t.Password;
    return true;
}

QVector<CategoryChoice> categoryChoices(const CategoryStore &tree) {
    QVector<CategoryChoice> out;
    const CategoryStore::Node *downloaded = tree.find(TreeKey::Downloaded);
    if (!downloaded) return out;
    const std::function<void(const CategoryStore::Node *, int)> walk =
        [&](const CategoryStore::Node *node, int depth) {
            for (const auto &child : node->children) {
                out.append({child->key, child->text, child->image, child->tag, depth});
                walk(child.get(), depth + 1);
            }
        };
    walk(downloaded, 0);
    if (out.isEmpty())
        out.append({downloaded->key, downloaded->text, downloaded->image, downloaded->tag, 0});
    return out;
}

QString webUrlOf(const QString &text) {
    const QString line = text.trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
    const bool web = line.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
                     line.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
    return web && !line.contains(QLatin1Char('\r')) ? line : QString();
}

QString urlWarning(const QString &url, const QString &savePath, bool overwrite) {
    if (url.isEmpty()) return {};
    DownJobRecord probe;
    probe.Url = url;
    if (!HttpExchange::ParseUrl(probe))
        return QStringLiteral("The download engine cannot split this URL into host, port and "
                              "path: the job will end in an error.");
    if (url.trimmed() != url || url.contains(QLatin1Char(' ')))
        return QStringLiteral("The URL holds blanks: they are sent as typed.");
    const QFileInfo target(savePath);
    if (!savePath.isEmpty() && target.isFile())
        return overwrite ? QStringLiteral("A file of this name is in the folder: it will be "
                                          "overwritten (Options, General).")
                         : QStringLiteral("A file of this name is in the folder: the new one "
                                          "gets a number added to its name (Options, General).");
    return {};
}

} // namespace NewJobRules
