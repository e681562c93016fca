#include "app/mq/MqCommand.h"

#include "jobs/CategoryStore.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "jobs/JobJson.h"
#include "jobs/JobTable.h"

#include <QFile>
#include <cstdio>

namespace {
// Exit status of a dump that printed what it could read of a damaged file.
constexpr int kDamaged = 2;

// A key as an error line can show it: short, on one line.
QString shownKey(const QString &key) {
    constexpr int kShown = 40;
    QString shown = key.left(kShown);
    for (QChar &c : shown)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
            c.category() == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    return key.size() > kShown ? shown + QStringLiteral("...") : shown;
}

// The whole file, or an error message.
bool readWhole(const QString &path, QByteArray *bytes, QString *error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    *bytes = file.readAll();
    return true;
}

int dump(const QString &path) {
    QByteArray bytes;
    QString error;
    if (!readWhole(path, &bytes, &error)) return mqFail(error);
    CategoryStore tree;
    AddFixedNodes(tree, {});
    JobTable jobs;
    const DbLoadResult result = ReadJobDatabase(tree, jobs, bytes);
    const QByteArray json = databaseToJson(tree, jobs).toJson();
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    std::fflush(stdout);
    if (result.damaged)
        return mqFail(QStringLiteral("damaged database %1: %2").arg(path, result.error), kDamaged);
    return 0;
}

int write(const QString &jsonPath, const QString &path) {
    QByteArray json;
    QString error;
    if (!readWhole(jsonPath, &json, &error)) return mqFail(error);
    CategoryStore tree;
    AddFixedNodes(tree, {});
    JobTable jobs;
    if (!databaseFromJson(json, tree, jobs, &error))
        return mqFail(QStringLiteral("%1: %2").arg(jsonPath, error));
    QString first, second;
    if (!CategoryKeysDistinctOnDisk(tree, &first, &second))
        return mqFail(QStringLiteral("%1: the category keys \"%2\" and \"%3\" are the same "
                                     "once written in Windows-1252")
                          .arg(jsonPath, shownKey(first), shownKey(second)));
    if (!SaveJobDatabase(tree, jobs, path, &error)) return mqFail(error);
    return 0;
}

int run(const QStringList &args) {
    if (args.size() == 2 && args[0] == QLatin1String("dump")) return dump(args[1]);
    if (args.size() == 3 && args[0] == QLatin1String("write")) return write(args[1], args[2]);
    return mqFail(QStringLiteral("usage: mq db dump FILE | mq db write JSON_FILE FILE"));
}
} // namespace

MQ_COMMAND("db", "db dump FILE | db write JSON_FILE FILE   (job database <-> JSON)", run);
