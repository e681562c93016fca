#include "browser/PageMovies.h"

#include "session/FoundMovieList.h"

namespace PageMovies {

namespace {
bool startsWithNoCase(const QString &text, QLatin1String prefix) {
    return text.startsWith(prefix, Qt::CaseInsensitive);
}
bool isAbsolute(const QString &address) {
    return startsWithNoCase(address, QLatin1String("http://")) ||
           startsWithNoCase(address, QLatin1String("https://"));
}
} // namespace

bool isScannablePage(const QString &documentUrl) {
    return isAbsolute(documentUrl);
}

QString PageDirUrl(const QString &documentUrl) {
    return documentUrl.left(documentUrl.lastIndexOf(QLatin1Char('/')) + 1);
}

QString PageRootUrl(const QString &documentUrl) {
    // The search starts at the 8th character, the first one behind "http://";
    // behind "https://" it starts one further.
    const int from = startsWithNoCase(documentUrl, QLatin1String("https://")) ? 8 : 7;
    const int slash = int(documentUrl.indexOf(QLatin1Char('/'), from));
    return slash < 0 ? QString() : documentUrl.left(slash + 1);
}

QString GetObjectUrl(const PageElement &element, const QString &pageDirUrl,
                     const QString &pageRootUrl) {
    QString value = element.movie.isEmpty() ? element.src : element.movie;
    if (value.trimmed().isEmpty()) return QString(); // no address: not the page's own
    if (!isAbsolute(value)) {
        if (value.startsWith(QLatin1Char('/')))
            value = pageRootUrl + value.mid(1);
        else
            value = pageDirUrl + value;
    }
    const bool movie = value.right(3).toLower() == QLatin1String("swf") ||
                       element.outerHtml.contains(QLatin1String("flash"), Qt::CaseInsensitive);
    return movie ? value : QString();
}

QStringList scanPage(const PageScanResult &page) {
    QStringList found;
    if (!isScannablePage(page.documentUrl)) return found;
    const QString dir = PageDirUrl(page.documentUrl);
    const QString root = PageRootUrl(page.documentUrl);
    for (const char *tag : {"OBJECT", "EMBED"}) {
        for (const PageElement &element : page.elements) {
            if (found.size() >= kMaxMovies) return found;
            if (element.tagName.toUpper() != QLatin1String(tag)) continue;
            const QString url = GetObjectUrl(element, dir, root);
            if (!url.isEmpty()) found.append(url);
        }
    }
    return found;
}

QString reportText(int count) {
    if (count > 0)
        return QStringLiteral("Moorquill have found ") + QString::number(count) +
               QStringLiteral(" Flash files in this IE window.");
    return QStringLiteral("No Flash file in this IE window.");
}

int storeScan(FoundMovieList &list, const PageScanResult &page) {
    list.FoundMovies = scanPage(page);
    list.FoundCount = int(list.FoundMovies.size());
    list.FoundBrowser = page.browser;
    return list.FoundCount;
}

} // namespace PageMovies
