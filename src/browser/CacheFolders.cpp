#include "browser/CacheFolders.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>

namespace CacheFolders {

namespace {
bool isDir(const QString &path) {
    return QFileInfo(path).isDir();
}

// A Chromium profile's cache below `profile`, if any.
QString chromiumCacheOf(const QString &profile) {
    for (const char *sub : {"/Cache/Cache_Data", "/Default/Cache/Cache_Data", "/Cache_Data"}) {
        const QString path = profile + QLatin1String(sub);
        if (isDir(path)) return path;
    }
    return {};
}

// A Firefox profile's entry folder below `profile`, if any.
QString firefoxCacheOf(const QString &profile) {
    for (const char *sub : {"/cache2/entries", "/entries"}) {
        const QString path = profile + QLatin1String(sub);
        if (isDir(path)) return path;
    }
    return {};
}

// The kind a folder of entry files holds, judged by the names of its files.
bool guessFormat(const QString &path, CacheFolder::Format &format) {
    static const QRegularExpression chromium(QStringLiteral("^[0-9a-f]{16}_0$"));
    static const QRegularExpression firefox(QStringLiteral("^[0-9A-F]{40}$"));
    QDirIterator it(path, QDir::Files | QDir::NoSymLinks);
    for (int seen = 0; it.hasNext() && seen < 1000; ++seen) {
        const QString name = it.nextFileInfo().fileName();
        if (chromium.match(name).hasMatch()) {
            format = CacheFolder::Chromium;
            return true;
        }
        if (firefox.match(name).hasMatch()) {
            format = CacheFolder::Firefox;
            return true;
        }
    }
    return false;
}

void addChromiumFamily(const QString &base, const QString &browser, QVector<CacheFolder> &out) {
    const QDir dir(base);
    if (!dir.exists()) return;
    QStringList profiles{QStringLiteral("Default")};
    profiles += dir.entryList({QStringLiteral("Profile *")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &profile : profiles) {
        const QString path = base + QLatin1Char('/') + profile + QLatin1String("/Cache/Cache_Data");
        if (isDir(path)) out.append({browser, path, CacheFolder::Chromium});
    }
}

void addFirefoxProfiles(const QString &base, QVector<CacheFolder> &out) {
    const QDir dir(base);
    if (!dir.exists()) return;
    for (const QString &profile : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = base + QLatin1Char('/') + profile + QLatin1String("/cache2/entries");
        if (isDir(path)) out.append({QStringLiteral("firefox"), path, CacheFolder::Firefox});
    }
}
} // namespace

QVector<CacheFolder> profiles(const QString &home) {
    QVector<CacheFolder> out;
    const struct {
        const char *folder;
        const char *browser;
    } chromiums[] = {
        {"/.cache/chromium", "chromium"},
        {"/snap/chromium/common/.cache/chromium", "chromium"},
        {"/.cache/google-chrome", "google-chrome"},
        {"/.cache/BraveSoftware/Brave-Browser", "brave"},
        {"/.cache/vivaldi", "vivaldi"},
    };
    for (const auto &c : chromiums)
        addChromiumFamily(home + QLatin1String(c.folder), QString::fromLatin1(c.browser), out);
    for (const char *base :
         {"/.cache/mozilla/firefox", "/snap/firefox/common/.cache/mozilla/firefox"})
        addFirefoxProfiles(home + QLatin1String(base), out);
    return out;
}

QVector<CacheFolder> fromDirs(const QStringList &dirs) {
    QVector<CacheFolder> out;
    for (const QString &given : dirs) {
        const QString dir = QDir::cleanPath(given);
        if (!isDir(dir)) continue;
        QString path = chromiumCacheOf(dir);
        if (!path.isEmpty()) {
            out.append({QStringLiteral("chromium"), path, CacheFolder::Chromium});
            continue;
        }
        path = firefoxCacheOf(dir);
        if (!path.isEmpty()) {
            out.append({QStringLiteral("firefox"), path, CacheFolder::Firefox});
            continue;
        }
        CacheFolder::Format format;
        if (guessFormat(dir, format))
            out.append({format == CacheFolder::Firefox ? QStringLiteral("firefox")
                                                       : QStringLiteral("chromium"),
                        dir, format});
    }
    return out;
}

QVector<CacheFolder> preferring(const QVector<CacheFolder> &folders, const QString &browser) {
    QVector<CacheFolder> first, rest;
    for (const CacheFolder &folder : folders)
        (folder.browser == browser ? first : rest).append(folder);
    return first + rest;
}

} // namespace CacheFolders
