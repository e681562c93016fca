// mq dupes [--db FILE] [PATH...]: movies with the same content, a JSON line
// per group: the finished jobs of a job database and the files and folders
// named (a folder's ".swf" files, in all its sub-folders).
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqDatabase.h"
#include "app/mq/MqOutput.h"
#include "movies/MovieCheck.h"
#include "session/AppCore.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>

namespace {
int run(const QStringList &args) {
    QString db;
    QStringList paths;
    ArgCursor cursor(args);
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        if (a == QLatin1String("--db")) {
            if (!cursor.value(db)) return mqFail(QStringLiteral("dupes: --db needs a file"));
        } else if (a.startsWith(QLatin1String("--"))) {
            return mqFail(QStringLiteral("dupes: unexpected argument '%1'").arg(a));
        } else {
            paths << a;
        }
    }
    if (db.isEmpty() && paths.isEmpty())
        return mqFail(QStringLiteral("usage: mq dupes [--db FILE] [PATH...]"));
    QStringList files;
    if (!db.isEmpty()) {
        AppCore core;
        const QString error = openMqDatabase(core, db);
        if (!error.isEmpty()) return mqFail(QStringLiteral("dupes: ") + error);
        for (int i = 1; i <= core.DownJobs.DownCount(); ++i)
            if (core.DownJobs[i].State == StateComplete &&
                core.DownJobs[i].CategoryKey != QLatin1String("Recely_Really"))
                files << core.DownJobs[i].SavePath;
    }
    for (const QString &path : paths) {
        if (!QFileInfo(path).isDir()) {
            files << path;
            continue;
        }
        QDirIterator it(path, {QStringLiteral("*.swf"), QStringLiteral("*.SWF")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    }
    const MovieCache cache;
    std::map<QString, QStringList> groups; // by SHA-256, in hash order
    QSet<QString> seen;
    for (const QString &file : files) {
        const QString absolute = QFileInfo(file).absoluteFilePath();
        if (seen.contains(absolute) || !QFileInfo(absolute).isFile()) continue;
        seen.insert(absolute);
        const MovieEntry entry = MovieCheck::complete(cache, absolute, true);
        if (!entry.sha256.isEmpty()) groups[entry.sha256] << absolute;
    }
    for (const auto &group : groups) {
        if (group.second.size() < 2) continue;
        QStringList sorted = group.second;
        sorted.sort();
        const QJsonObject json{{"sha256", group.first},
                               {"files", QJsonArray::fromStringList(sorted)}};
        printLine(QJsonDocument(json).toJson(QJsonDocument::Compact));
    }
    return 0;
}
} // namespace

MQ_COMMAND("dupes", "dupes [--db FILE] [PATH...]   (movies with the same content)", run);
