#include "player/PlayerLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QStringList playerLibraryCandidates() {
    // Before the application object exists (mq thumb), the program's own file.
    const QString appDir = QCoreApplication::instance()
                               ? QCoreApplication::applicationDirPath()
                               : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    QStringList candidates;
    const QString wanted = qEnvironmentVariable("MQ_PLAYER_LIBRARY");
    if (!wanted.isEmpty()) candidates << wanted;
    for (const char *relative : {"/libmq_player.so", "/../moorquill/libmq_player.so",
                                 "/../" MQ_INSTALL_LIBDIR "/moorquill/libmq_player.so"})
        candidates << QDir::cleanPath(appDir + QLatin1String(relative));
    return candidates;
}
