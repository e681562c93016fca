#pragma once

#include <QString>

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

private:
    QString m_path;
};
