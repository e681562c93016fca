#include "movies/MovieCache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
constexpr qint64 kMaxEntryFile = 4 * 1024 * 1024;

QJsonObject toJson(const MovieEntry &e) {
    return {{"path", e.path},
            {"origin", e.origin},
            {"size", e.size},
            {"modified", e.modified},
            {"checked", e.checked},
            {"facts", e.facts.toJson()},
            {"names", QJsonArray::fromStringList(e.names)},
            {"sha256", e.sha256},
            {"thumbnail", int(e.thumbnail)}};
}
} // namespace

MovieCache::MovieCache(const QString &folder) : m_folder(folder) {}

QString MovieCache::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/moorquill/movies");
}

QString MovieCache::baseName(const QString &path) const {
    const QByteArray key = QFileInfo(path).absoluteFilePath().toUtf8();
    return m_folder + QLatin1Char('/') +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex());
}

QString MovieCache::thumbnailPath(const QString &path) const {
    return baseName(path) + QStringLiteral(".png");
}

MovieEntry MovieCache::load(const QString &path) const {
    MovieEntry fresh;
    const QFileInfo info(path);
    fresh.path = info.absoluteFilePath();
    if (!info.isFile()) return fresh;
    fresh.size = info.size();
    fresh.modified = info.lastModified().toMSecsSinceEpoch();
    QFile file(baseName(path) + QStringLiteral(".json"));
    if (file.size() > kMaxEntryFile || !file.open(QIODevice::ReadOnly)) return fresh;
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    if (json.value("path").toString() != fresh.path ||
        qint64(json.value("size").toDouble(-1)) != fresh.size ||
        qint64(json.value("modified").toDouble()) != fresh.modified)
        return fresh;
    MovieEntry e = fresh;
    e.origin = json.value("origin").toString();
    e.checked = json.value("checked").toBool();
    e.facts = MovieFacts::fromJson(json.value("facts").toObject());
    for (const QJsonValue &name : json.value("names").toArray())
        e.names << name.toString();
    e.sha256 = json.value("sha256").toString();
    e.thumbnail = MovieEntry::Thumbnail(qBound(0, json.value("thumbnail").toInt(), 2));
    return e;
}

bool MovieCache::store(const MovieEntry &entry) const {
    if (!QDir().mkpath(m_folder)) return false;
    QSaveFile file(baseName(entry.path) + QStringLiteral(".json"));
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QJsonDocument(toJson(entry)).toJson(QJsonDocument::Compact));
    return file.commit();
}
