// mq info FILE... and mq verify FILE...: what each movie is, and whether it
// is whole.
#include "app/mq/MqCommand.h"
#include "app/mq/MqOutput.h"
#include "movies/MovieCheck.h"

#include <QJsonDocument>
#include <QTextStream>

namespace {
constexpr int kDamaged = 2;

// The entries of the files named, or status 1 with a message for the first
// that cannot be read.
int entries(const char *command, const QStringList &files, QVector<MovieEntry> *out) {
    if (files.isEmpty() || files.first().startsWith(QLatin1String("--")))
        return mqFail(QStringLiteral("usage: mq %1 FILE...").arg(QLatin1String(command)));
    const MovieCache cache;
    int status = 0;
    for (const QString &file : files) {
        QString error;
        const MovieEntry entry = MovieCheck::complete(cache, file, false, &error);
        if (!error.isEmpty()) {
            status = mqFail(QStringLiteral("%1: %2").arg(QLatin1String(command), error));
            continue;
        }
        out->append(entry);
    }
    return status;
}

int info(const QStringList &args) {
    QVector<MovieEntry> found;
    const int status = entries("info", args, &found);
    for (const MovieEntry &entry : found) {
        QJsonObject json = entry.facts.toJson();
        json.insert(QStringLiteral("file"), entry.path);
        printLine(QJsonDocument(json).toJson(QJsonDocument::Compact));
    }
    return status;
}

int verify(const QStringList &args) {
    QVector<MovieEntry> found;
    int status = entries("verify", args, &found);
    QTextStream out(stdout);
    for (const MovieEntry &entry : found) {
        out << entry.path << ": "
            << (entry.facts.whole ? QStringLiteral("whole")
                                  : QStringLiteral("damaged: ") + entry.facts.problem)
            << '\n';
        if (!entry.facts.whole && status == 0) status = kDamaged;
    }
    return status;
}
} // namespace

MQ_COMMAND("info", "info FILE...   (a JSON line of facts per Flash movie)", info);
MQ_COMMAND("verify", "verify FILE...   (whole or damaged; status 2 when any is damaged)", verify);
