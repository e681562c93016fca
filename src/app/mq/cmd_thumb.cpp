// mq thumb MOVIE OUT.png: the movie's picture, drawn by the player library
// (loaded as the program loads it: mq links no windows), as a PNG.
#include "app/mq/MqCommand.h"
#include "player/PlayerLibrary.h"

#include <QFileInfo>
#include <QLibrary>

namespace {
constexpr int kTimeoutMs = 8000;

using ThumbnailMain = int(const char *movie, const char *out, int timeoutMs);

int run(const QStringList &args) {
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")))
        return mqFail(QStringLiteral("usage: mq thumb MOVIE OUT.png"));
    if (!QFileInfo(args[0]).isFile())
        return mqFail(QStringLiteral("thumb: cannot read %1").arg(args[0]));
    for (const QString &path : playerLibraryCandidates()) {
        if (!QFileInfo::exists(path)) continue;
        QLibrary library(path);
        auto *main = reinterpret_cast<ThumbnailMain *>(library.resolve("mq_thumbnail_main"));
        if (!main) continue;
        const int status = main(QFile::encodeName(args[0]).constData(),
                                QFile::encodeName(args[1]).constData(), kTimeoutMs);
        if (status != 0) mqFail(QStringLiteral("thumb: %1 shows no frame").arg(args[0]), status);
        return status;
    }
    return mqFail(QStringLiteral("thumb: the player library (libmq_player.so) is missing"));
}

const bool registered = registerMqCommand(MqCommandInfo{
    "thumb", "thumb MOVIE OUT.png   (the movie's picture; needs a display)", run, true});
} // namespace
