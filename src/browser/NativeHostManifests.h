#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The native-messaging host manifests that tell the browsers where
// moorquill-host lives and which extension may start it. Rewritten at every
// start for each browser whose per-user folder exists.
class NativeHostManifests {
public:
    static const char *const HostName;          // "moorquill"
    static const char *const ChromiumExtension; // the id fixed by the extension's key
    static const char *const FirefoxExtension;  // browser_specific_settings.gecko.id

    static QByteArray chromium(const QString &hostPath);
    static QByteArray firefox(const QString &hostPath);

    // The manifest folders under `home` of the browsers present there.
    static QStringList chromiumFolders(const QString &home);
    static QStringList firefoxFolders(const QString &home);

    // Writes "<folder>/moorquill.json" safely (temp + rename), creating the folder.
    static bool writeInto(const QString &folder, const QByteArray &manifest);
    // Writes every manifest under `home`; returns the files written.
    static QStringList writeAll(const QString &home, const QString &hostPath);

    // Which browser started the host, from the host's arguments (Chromium
    // passes the extension's origin, Firefox the manifest's path and the
    // add-on id) and its parent's program: "chromium", "google-chrome",
    // "brave", "vivaldi" or "firefox"; "" when neither tells.
    static QString browserOfHost(const QStringList &arguments, const QString &parentProgram);
};
