#include "movies/MovieDeps.h"

#include "search/SearchUrl.h"

#include <QSet>
#include <QUrl>
#include <QUrlQuery>

namespace {

constexpr qsizetype kMaxName = 2048;

bool loadedExtension(QStringView path) {
    static const QLatin1String known[] = {
        QLatin1String("swf"), QLatin1String("spl"),  QLatin1String("flv"), QLatin1String("f4v"),
        QLatin1String("mp4"), QLatin1String("m4v"),  QLatin1String("mov"), QLatin1String("mp3"),
        QLatin1String("m4a"), QLatin1String("aac"),  QLatin1String("wav"), QLatin1String("xml"),
        QLatin1String("txt"), QLatin1String("json"), QLatin1String("jpg"), QLatin1String("jpeg"),
        QLatin1String("png"), QLatin1String("gif")};
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || path.lastIndexOf(QLatin1Char('/')) > dot) return false;
    const QStringView ext = path.mid(dot + 1);
    for (const QLatin1String &k : known)
        if (ext.compare(k, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString portPart(const QUrl &url) {
    const int port = url.port();
    return port < 0 ? QString() : QLatin1Char('_') + QString::number(port);
}

} // namespace

bool MovieDeps::looksLikeAddress(QStringView text) {
    if (text.size() < 5 || text.size() > kMaxName) return false;
    for (const QChar c : text)
        if (c.unicode() <= 0x20 || c == QLatin1Char('"') || c == QLatin1Char('\'') ||
            c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('\\') ||
            c.unicode() == 0x7f)
            return false;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (colon >= 0 && (slash < 0 || colon < slash) &&
        !text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
        !text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return false; // another scheme ("javascript:", "mailto:", "data:")
    qsizetype end = text.size();
    for (const QChar stop : {QLatin1Char('?'), QLatin1Char('#')}) {
        const qsizetype at = text.indexOf(stop);
        if (at >= 0) end = qMin(end, at);
    }
    return loadedExtension(text.left(end));
}

QStringList MovieDeps::resolve(const QStringList &names, const QString &movieUrl) {
    const QUrl base = movieUrl.isEmpty() ? QUrl() : SearchUrl::PageUrl(movieUrl);
    const QString self = movieUrl.isEmpty() ? QString() : SearchUrl::Encoded(base);
    QStringList out;
    QSet<QString> seen;
    for (const QString &name : names) {
        if (!looksLikeAddress(name)) continue;
        QUrl url;
        if (base.isValid() && !base.isEmpty())
            url = SearchUrl::ResolveAddress(base, name);
        else if (name.contains(QLatin1String("://")))
            url = SearchUrl::ResolveAddress(QUrl(QStringLiteral("http://localhost/")), name);
        if (url.isEmpty()) continue;
        const QString address = SearchUrl::Encoded(url);
        if (address == self || seen.contains(address)) continue;
        seen.insert(address);
        out << address;
        if (out.size() >= kMaxAddresses) break;
    }
    return out;
}

QStringList MovieDeps::fromFlashVars(const QString &flashvars) {
    QStringList names;
    const QUrlQuery query(flashvars);
    for (const auto &pair : query.queryItems(QUrl::FullyDecoded))
        if (looksLikeAddress(pair.second)) names << pair.second;
    return names;
}

QString MovieDeps::folderUrl(const QString &movieUrl) {
    const QUrl url = SearchUrl::PageUrl(movieUrl);
    const QString path = url.path(QUrl::FullyEncoded);
    QUrl folder = url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
    folder.setPath(path.left(path.lastIndexOf(QLatin1Char('/')) + 1), QUrl::StrictMode);
    return SearchUrl::Encoded(folder);
}

QString MovieDeps::localPath(const QString &movieUrl, const QString &url) {
    const QUrl dep = SearchUrl::PageUrl(url);
    const QString folder = movieUrl.isEmpty() ? QString() : folderUrl(movieUrl);
    const QString encoded = SearchUrl::Encoded(dep.adjusted(QUrl::RemoveQuery));
    QString rest;
    if (!folder.isEmpty() && encoded.startsWith(folder))
        rest = encoded.mid(folder.size());
    else
        rest = dep.host(QUrl::FullyEncoded) + portPart(dep) + dep.path(QUrl::FullyEncoded);
    QStringList segments;
    for (const QString &part : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".")) continue;
        QString name = SearchUrl::SegmentName(part.toLatin1());
        if (name == QLatin1String("..")) name = QStringLiteral("_");
        segments << name;
    }
    return segments.join(QLatin1Char('/'));
}
