#pragma once

#include <QString>

// Start-up values fixed once per run.
struct AppPaths {
    QString AppVersion = QStringLiteral("1.3");
    QString AppLanguage = QStringLiteral("English");
    QString DownloadFolder; // with a trailing '/'
    QString JobDbPath;      // <application folder>/default.mqb
    QString SettingsPath;   // <application folder>/set.ini

    // Paths formed from the application folder (see platform/AppFolder.h).
    static AppPaths forFolder(const QString &applicationFolder);
};
