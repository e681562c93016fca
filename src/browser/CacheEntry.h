#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What the entry readers learn about one cached response without reading its
// body: where the body lies in the entry file and what the stored response
// head says about it.
struct CacheEntry {
    QString browser; // "chromium", "google-chrome", "brave", "vivaldi", "firefox"
    QString path;    // the entry file
    QByteArray key;  // the cache key; it ends in the URL
    qint64 bodyOffset = 0;
    qint64 bodyLength = 0;
    int status = 0;             // of the stored status line; 0 when there is none
    qint64 contentLength = -1;  // the stored Content-Length; -1 when there is none
    QByteArray contentEncoding; // lower case, e.g. "gzip"; empty for none

    // A complete "200" answer: the body is as long as the stored length, if any.
    bool isWhole() const {
        return status == 200 && (contentLength < 0 || contentLength == bodyLength);
    }
};

// Reads the status, Content-Length and Content-Encoding of a stored response
// head into `entry`. Lines end in NUL, CR LF or LF.
void readResponseHead(const QByteArray &head, CacheEntry &entry);

// Whether `key` names `url`: it is the URL, or ends in `separator` + the URL.
bool keyNamesUrl(const QByteArray &key, const QByteArray &url, char separator);
