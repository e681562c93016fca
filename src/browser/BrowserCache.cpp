#include "browser/BrowserCache.h"

#include "browser/BodyDecoder.h"
#include "browser/ChromiumCacheEntry.h"
#include "browser/FirefoxCacheEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

BrowserCache::BrowserCache(QVector<CacheFolder> folders) : m_folders(std::move(folders)) {}
BrowserCache::BrowserCache() : BrowserCache(CacheFolders::profiles(QDir::homePath())) {}
BrowserCache::~BrowserCache() = default;

QByteArray BrowserCache::lookupUrl(const QString &url) {
    const int hash = int(url.indexOf(QLatin1Char('#')));
    return (hash < 0 ? url : url.left(hash)).trimmed().toUtf8();
}

namespace {
// Entry files are read in small pieces at a few places: no read-ahead.
constexpr QIODevice::OpenMode kReadMode = QIODevice::ReadOnly | QIODevice::Unbuffered;

bool readOpen(QFile &file, CacheFolder::Format format, CacheEntry &entry) {
    return format == CacheFolder::Firefox ? FirefoxCacheEntry::read(file, entry)
                                          : ChromiumCacheEntry::read(file, entry);
}
} // namespace

bool BrowserCache::findIn(const CacheFolder &folder, const QByteArray &url, CacheEntry &hit) {
    const bool firefox = folder.format == CacheFolder::Firefox;
    const char separator = firefox ? ':' : ' ';
    QDirIterator it(folder.path, firefox ? QStringList() : QStringList{QStringLiteral("*_0")},
                    QDir::Files | QDir::NoSymLinks);
    for (int seen = 0; it.hasNext() && seen < kMaxEntries; ++seen) {
        const QFileInfo info = it.nextFileInfo(); // plain files only, see the filter
        if (!info.isFile()) continue;
        QFile file(info.filePath());
        if (!file.open(kReadMode)) continue;
        // The key alone tells most entries apart: read it before the rest.
        QByteArray key;
        if (!firefox &&
            (!ChromiumCacheEntry::readKey(file, key) || !keyNamesUrl(key, url, separator)))
            continue;
        CacheEntry entry;
        entry.browser = folder.browser;
        entry.path = info.filePath();
        if (!readOpen(file, folder.format, entry) || !keyNamesUrl(entry.key, url, separator))
            continue;
        if (entry.isWhole() && BodyDecoder::supports(entry.contentEncoding)) {
            hit = entry;
            return true;
        }
    }
    return false;
}

bool BrowserCache::IsInCache(const QString &url) {
    m_found = false;
    m_entry = CacheEntry();
    m_error.clear();
    m_url = lookupUrl(url);
    if (m_url.isEmpty()) return false;
    for (const CacheFolder &folder : CacheFolders::preferring(m_folders, m_preferred)) {
        if (findIn(folder, m_url, m_entry)) {
            m_found = true;
            return true;
        }
    }
    return false;
}

QString BrowserCache::CacheFileName() {
    m_error.clear();
    if (!m_found) {
        m_error = QStringLiteral("no cache entry was found");
        return {};
    }
    const QString known = m_copies.value(m_entry.path);
    if (!known.isEmpty() && QFileInfo::exists(known)) return known;
    if (!m_temp) {
        m_temp =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/mq-cache-XXXXXX"));
        if (!m_temp->isValid()) {
            m_error = m_temp->errorString();
            m_temp.reset();
            return {};
        }
    }
    QFile in(m_entry.path);
    if (!in.open(QIODevice::ReadOnly)) {
        m_error = in.errorString();
        return {};
    }
    QString name = QFileInfo(QUrl(QString::fromUtf8(m_url)).path()).fileName();
    if (name.isEmpty()) name = QStringLiteral("movie");
    const QString target =
        m_temp->filePath(QString::number(m_copies.size() + 1) + QLatin1Char('-') + name);
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = out.errorString();
        return {};
    }
    m_error = BodyDecoder::decode(in, m_entry.bodyOffset, m_entry.bodyLength,
                                  m_entry.contentEncoding, out);
    out.close();
    if (m_error.isEmpty() && out.error() != QFileDevice::NoError) m_error = out.errorString();
    if (!m_error.isEmpty()) {
        out.remove();
        return {};
    }
    m_copies.insert(m_entry.path, target);
    return target;
}
