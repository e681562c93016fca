#pragma once

#include <QString>
#include <QVector>

// A folder of cache entry files of one browser profile.
struct CacheFolder {
    enum Format { Chromium, Firefox };
    QString browser; // "chromium", "google-chrome", "brave", "vivaldi", "firefox"
    QString path;    // the folder holding the entry files
    Format format = Chromium;
};

namespace CacheFolders {

// The cache folders of every browser profile found under `home`:
// ~/.cache/<chromium|google-chrome|BraveSoftware/Brave-Browser|vivaldi>/
// <Default|Profile N>/Cache/Cache_Data and the Firefox profiles'
// cache2/entries under ~/.cache/mozilla/firefox (also the snap packages').
QVector<CacheFolder> profiles(const QString &home);

// What a folder given by the user holds: a Chromium cache (a user-data or
// profile folder, "Cache", "Cache_Data"), a Firefox cache (a profile folder,
// "cache2", "entries"), or a plain folder of entry files whose names tell the
// kind. Folders of neither kind are left out.
QVector<CacheFolder> fromDirs(const QStringList &dirs);

// `folders` with those of `browser` first, otherwise in their order.
QVector<CacheFolder> preferring(const QVector<CacheFolder> &folders, const QString &browser);

} // namespace CacheFolders
