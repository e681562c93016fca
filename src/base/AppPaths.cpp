#include "base/AppPaths.h"

#include "platform/AppFolder.h"

AppPaths AppPaths::forFolder(const QString &applicationFolder) {
    AppPaths paths;
    paths.DownloadFolder = defaultDownloadFolder();
    paths.JobDbPath = applicationFolder + QStringLiteral("/default.mqb");
    paths.SettingsPath = applicationFolder + QStringLiteral("/set.ini");
    return paths;
}
