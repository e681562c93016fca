#include "platform/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
const QChar kBackslash = QLatin1Char('\\');

QString keyPath(const QString &root, const QString &key) {
    QString path = root + kBackslash + key;
    path.replace(QLatin1Char('/'), kBackslash);
    while (path.endsWith(kBackslash))
        path.chop(1);
    return path.toLower();
}

QJsonObject load(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QString keyPath(const RegistryStore::KeyPath &path) {
    return keyPath(path.root, path.subKey);
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
    return save(all, error);
}

bool RegistryStore::save(const QJsonObject &all, QString *error) {
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(all).toJson()) < 0 ||
        !file.commit()) {
        if (error) *error = m_path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

bool RegistryStore::isPredefinedRoot(const QString &root) {
    static const char *const roots[] = {
        "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    for (const char *name : roots)
        if (root == QLatin1String(name)) return true;
    return false;
}

std::optional<RegistryStore::KeyPath> RegistryStore::parseKeyPath(const QString &path) {
    if (!path.startsWith(QLatin1String("HKEY_")) || path.endsWith(kBackslash)) return {};
    const qsizetype slash = path.indexOf(kBackslash);
    KeyPath key;
    key.root = slash < 0 ? path : path.left(slash);
    key.subKey = slash < 0 ? QString() : path.mid(slash + 1);
    if (!isPredefinedRoot(key.root)) return {};
    return key;
}

QString RegistryStore::incorrectFormatMessage(const QString &path) {
    return QStringLiteral("Incorrect Format:\n\n") + path;
}

std::optional<RegistryStore::KeyPath> RegistryStore::checkedPath(const QString &path) {
    if (!path.startsWith(QLatin1String("HKEY_")) || path.endsWith(kBackslash)) {
        if (showMessage) showMessage(incorrectFormatMessage(path));
        return {};
    }
    return parseKeyPath(path); // an unknown root names no key: nothing is written
}

bool RegistryStore::createKey(const QString &path, QString *error) {
    const std::optional<KeyPath> key = checkedPath(path);
    if (!key) return false;
    QJsonObject all = load(m_path);
    // Every level from the root down exists afterwards.
    QString level = key->root;
    const QStringList parts = key->subKey.split(kBackslash, Qt::SkipEmptyParts);
    bool changed = false;
    for (int i = -1; i < parts.size(); ++i) {
        if (i >= 0) level += kBackslash + parts[i];
        const QString name = keyPath(level, QString());
        if (!all.contains(name)) {
            all.insert(name, QJsonObject());
            changed = true;
        }
    }
    return !changed || save(all, error);
}

bool RegistryStore::setValue(const QString &path, const QString &name, const QJsonValue &value,
                             QString *error) {
    const std::optional<KeyPath> key = checkedPath(path);
    if (!key) return false;
    QJsonObject all = load(m_path);
    const QString at = keyPath(*key);
    if (!all.contains(at)) {
        if (error) *error = path + QStringLiteral(": no such key");
        return false;
    }
    QJsonObject values = all.value(at).toObject();
    values.insert(name.toLower(), value);
    all.insert(at, values);
    return save(all, error);
}

bool RegistryStore::setString(const QString &path, const QString &name, const QString &text,
                              QString *error) {
    return setValue(path, name, text, error);
}

bool RegistryStore::setNumber(const QString &path, const QString &name, qint32 number,
                              QString *error) {
    return setValue(path, name, number, error);
}

bool RegistryStore::keyExists(const QString &path) const {
    const std::optional<KeyPath> key = parseKeyPath(path);
    return key && load(m_path).contains(keyPath(*key));
}

std::optional<qint32> RegistryStore::readNumber(const QString &path, const QString &name) const {
    const std::optional<KeyPath> key = parseKeyPath(path);
    if (!key) return {};
    const QJsonValue entry = load(m_path).value(keyPath(*key)).toObject().value(name.toLower());
    if (!entry.isDouble()) return {};
    return qint32(entry.toInt());
}

QString RegistryStore::readString(const QString &path, const QString &name) const {
    const std::optional<KeyPath> key = parseKeyPath(path);
    return key ? readString(key->root, key->subKey, name) : QString();
}
