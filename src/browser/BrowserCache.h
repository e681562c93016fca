#pragma once

#include "browser/CacheEntry.h"
#include "browser/CacheFolders.h"

#include <QHash>
#include <QString>
#include <QVector>
#include <memory>

class QTemporaryDir;

// Looks movie addresses up in the browsers' own disk caches. Nothing is ever
// written into a cache folder: a body is copied, decoded, into a temporary
// folder of its own that lives as long as this object.
class BrowserCache {
public:
    // Searches `folders`; by default every browser profile of the user.
    explicit BrowserCache(QVector<CacheFolder> folders);
    BrowserCache();
    ~BrowserCache();

    // Entries beyond this many per folder are not looked at.
    static constexpr int kMaxEntries = 200000;

    // The browser whose folders are searched first (the one just scanned).
    void setPreferredBrowser(const QString &browser) { m_preferred = browser; }

    // Whether the cache holds the whole "200" answer for `url` (its fragment
    // is ignored); the entry found is remembered for CacheFileName().
    bool IsInCache(const QString &url);
    // A temporary file holding the body of the entry found by the last
    // successful lookup, decoded; "" when it cannot be made (see error()).
    QString CacheFileName();

    const CacheEntry &entry() const { return m_entry; }
    QString error() const { return m_error; }

    // The cache key tail a URL is looked up by: the URL without its fragment.
    static QByteArray lookupUrl(const QString &url);
    // The hit for `url` in one folder; false when there is none.
    static bool findIn(const CacheFolder &folder, const QByteArray &url, CacheEntry &hit);

private:
    QVector<CacheFolder> m_folders;
    QString m_preferred;
    QByteArray m_url; // of the last lookup
    bool m_found = false;
    CacheEntry m_entry;
    QString m_error;
    std::unique_ptr<QTemporaryDir> m_temp;
    QHash<QString, QString> m_copies; // entry file -> its decoded copy
};
