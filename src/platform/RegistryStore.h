#pragma once

#include <QString>
#include <functional>
#include <optional>

class QJsonObject;

// The per-user stand-in for the registry: string values addressed by the
// same texts as on the original platform ("HKEY_LOCAL_MACHINE" +
// "SYSTEM\CurrentControlSet\Services\Tcpip\Parameters" + "NameServer"),
// kept in one JSON file of the application folder. Key paths and value names
// compare without regard to case; a write replaces the file safely.
class RegistryStore {
public:
    explicit RegistryStore(const QString &filePath);

    // The file in `applicationFolder`.
    static QString defaultPath(const QString &applicationFolder);

    // RegReadString: the value, or `fallback` when the key or value is missing.
    QString readString(const QString &root, const QString &key, const QString &value,
                       const QString &fallback = QString()) const;
    // Creates the key when missing; false (with the reason) when the file cannot be written.
    bool writeString(const QString &root, const QString &key, const QString &value,
                     const QString &data, QString *error = nullptr);

    // A key named by one path text: the root ("HKEY_CURRENT_USER", ...) and
    // the sub-key behind the first "\" (empty: the root itself).
    struct KeyPath {
        QString root;
        QString subKey;
    };
    // The path must begin with "HKEY_" and must not end with "\"; the root
    // must be one of the predefined ones. Nothing when it is malformed.
    static std::optional<KeyPath> parseKeyPath(const QString &path);
    static bool isPredefinedRoot(const QString &root);
    // "Incorrect Format:", two line feeds and the path.
    static QString incorrectFormatMessage(const QString &path);

    // Shows a message to the user (a malformed path); the GUI supplies it.
    std::function<void(const QString &message)> showMessage;

    // Operations on a key given as one path text. A malformed path shows
    // "Incorrect Format:" and writes nothing. Setting a value needs an
    // existing key. All return false when nothing was written.
    bool createKey(const QString &path, QString *error = nullptr); // all missing levels
    bool setString(const QString &path, const QString &name, const QString &text,
                   QString *error = nullptr);
    bool setNumber(const QString &path, const QString &name, qint32 number,
                   QString *error = nullptr);
    // Reading by path: whether the key exists, and a number value.
    bool keyExists(const QString &path) const;
    std::optional<qint32> readNumber(const QString &path, const QString &name) const;
    QString readString(const QString &path, const QString &name) const;

private:
    std::optional<KeyPath> checkedPath(const QString &path);
    bool setValue(const QString &path, const QString &name, const class QJsonValue &value,
                  QString *error);
    bool save(const QJsonObject &all, QString *error);

    QString m_path;
};
