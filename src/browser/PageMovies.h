#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

struct FoundMovieList;

// One OBJECT or EMBED element of a scanned page, as the browser reports it.
// Every field is untrusted text of any length.
struct PageElement {
    QString tagName;
    QString movie; // the "movie" attribute
    QString src;   // the "src" attribute
    QString outerHtml;
};

// A scanned page: its document address and its elements in page order.
struct PageScanResult {
    QString documentUrl;
    QVector<PageElement> elements;
    // Which browser showed it ("chromium", "firefox", ...); may be empty. The
    // initializer lets {url, elements} leave it out.
    QString browser = QString();
};

// The rules that turn a page's OBJECT and EMBED elements into movie addresses.
namespace PageMovies {

// At most this many addresses are kept from one page (FoundCount is 16-bit).
constexpr int kMaxMovies = 32767;

// Whether a page is scanned: its address begins with "HTTP://" or "HTTPS://"
// (compared upper-cased).
bool isScannablePage(const QString &documentUrl);

// The document's address cut after its last "/".
QString PageDirUrl(const QString &documentUrl);
// The document's address cut after the first "/" behind "scheme://" (the
// scheme and host with a trailing "/"); empty when there is none.
QString PageRootUrl(const QString &documentUrl);

// The absolute movie address of one element, or "" when it is no Flash movie
// or names no address.
QString GetObjectUrl(const PageElement &element, const QString &pageDirUrl,
                     const QString &pageRootUrl);

// Every movie of the page: the OBJECT elements first, then the EMBED
// elements, each in page order, duplicates kept. Empty for a page that is not
// scanned.
QStringList scanPage(const PageScanResult &page);

// Stores a scan's movies as the list waiting for the save dialog
// (FoundMovies / FoundCount) and its browser (FoundBrowser); returns FoundCount.
int storeScan(FoundMovieList &list, const PageScanResult &page);

// What a scan that found `count` movies reports to the user.
QString reportText(int count);

} // namespace PageMovies
