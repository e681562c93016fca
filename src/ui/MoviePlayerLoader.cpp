#include "ui/MoviePlayerLoader.h"

#include "ui/MoviePlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QtDebug>

MoviePlayer *loadMoviePlayer(QWidget *parent) {
    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList candidates;
    const QString wanted = qEnvironmentVariable("MQ_PLAYER_LIBRARY");
    if (!wanted.isEmpty()) candidates << wanted;
    candidates << appDir + QStringLiteral("/libmq_player.so")
               << QDir::cleanPath(appDir + QStringLiteral("/../lib/moorquill/libmq_player.so"));
    for (const QString &path : candidates) {
        QLibrary library(path);
        auto *create =
            reinterpret_cast<CreateMoviePlayer *>(library.resolve("mq_create_movie_player"));
        if (create) return create(parent); // the library stays loaded for the program's life
    }
    qWarning("The movie player library could not be loaded.");
    return nullptr;
}
