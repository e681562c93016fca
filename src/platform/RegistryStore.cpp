#include "platform/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
QString keyPath(const QString &root, const QString &key) {
    QString path = root + QLatin1Char('\\') + key;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path.toLower();
}

QJsonObject load(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}
} // namespace

RegistryStore::RegistryStore(const QString &filePath) : m_path(filePath) {}

QString RegistryStore::defaultPath(const QString &applicationFolder) {
    return QDir(applicationFolder).filePath(QStringLiteral("registry.json"));
}

QString RegistryStore::readString(const QString &root, const QString &key, const QString &value,
                                  const QString &fallback) const {
    const QJsonValue entry =
        load(m_path).value(keyPath(root, key)).toObject().value(value.toLower());
    return entry.isString() ? entry.toString() : fallback;
}

bool RegistryStore::writeString(const QString &root, const QString &key, const QString &value,
                                const QString &data, QString *error) {
    QJsonObject all = load(m_path);
    QJsonObject values = all.value(keyPath(root, key)).toObject();
    values.insert(value.toLower(), data);
    all.insert(keyPath(root, key), values);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(all).toJson()) < 0 ||
        !file.commit()) {
        if (error) *error = m_path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}
