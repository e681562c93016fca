// mq add URL... --db FILE: adds download jobs as the new-job dialog does
// (one per URL, or a generated batch) and saves the job database.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "core/OptionsLogic.h"
#include "dialogs/BatchUrls.h"
#include "dialogs/NewJobRules.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "session/AppCore.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

using namespace NewJobRules;

namespace {
struct AddOptions {
    QStringList urls;
    QString db, category, dir, parts, referer, comment;
    QString batch, from, to, width;
    bool manual = false;
};

int parseArgs(const QStringList &args, AddOptions &o) {
    ArgCursor cursor(args);
    const std::pair<const char *, QString AddOptions::*> values[] = {
        {"--db", &AddOptions::db},           {"--category", &AddOptions::category},
        {"--dir", &AddOptions::dir},         {"--parts", &AddOptions::parts},
        {"--referer", &AddOptions::referer}, {"--comment", &AddOptions::comment},
        {"--batch", &AddOptions::batch},     {"--from", &AddOptions::from},
        {"--to", &AddOptions::to},           {"--width", &AddOptions::width}};
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        if (a == QLatin1String("--manual")) {
            o.manual = true;
            continue;
        }
        bool known = false;
        for (const auto &v : values) {
            if (a != QLatin1String(v.first)) continue;
            known = true;
            if (!cursor.value(o.*v.second))
                return mqFail(QStringLiteral("add: %1 needs a value").arg(a));
        }
        if (known) continue;
        if (a.startsWith(QLatin1String("--")))
            return mqFail(QStringLiteral("add: unexpected argument '%1'").arg(a));
        o.urls << a;
    }
    if (o.db.isEmpty()) return mqFail(QStringLiteral("add: --db FILE is needed"));
    if (!QFileInfo(o.db).isFile())
        return mqFail(QStringLiteral("add: %1: no such job database").arg(o.db));
    if (o.urls.isEmpty() == o.batch.isEmpty())
        return mqFail(QStringLiteral("add: give URLs or --batch PATTERN --from A --to B"));
    if (!o.batch.isEmpty() && (o.from.isEmpty() || o.to.isEmpty()))
        return mqFail(QStringLiteral("add: --batch needs --from and --to"));
    return 0;
}

// The generated batch: numbers, or letters when both bounds are letters.
bool batchUrls(const AddOptions &o, QStringList *urls) {
    if (!BatchUrls::canGenerate(o.batch)) {
        mqFail(QStringLiteral("add: the --batch pattern holds no \"*\""));
        return false;
    }
    const bool letters =
        o.from.size() == 1 && o.to.size() == 1 && o.from[0].isLetter() && o.to[0].isLetter();
    const BatchUrls::Result r = letters ? BatchUrls::letters(o.batch, o.from, o.to)
                                        : BatchUrls::numbers(o.batch, o.from, o.to, o.width);
    if (!r.message.isEmpty()) {
        mqFail(QStringLiteral("add: ") + r.message);
        return false;
    }
    *urls = r.urls;
    return true;
}

int runAdd(const QStringList &args) {
    AddOptions o;
    if (const int status = parseArgs(args, o)) return status;
    AppCore core;
    core.paths.JobDbPath = QFileInfo(o.db).absoluteFilePath();
    const DbLoadResult loaded = BuildFixedTree(core.tree, core.DownJobs, core.paths);
    if (loaded.damaged)
        return mqFail(QStringLiteral("add: %1: %2 (nothing added)").arg(o.db, loaded.error));

    JobOptions job;
    const QVector<CategoryChoice> choices = categoryChoices(core.tree);
    const QString key = o.category.isEmpty() ? choices.value(0).key : o.category;
    const auto chosen = std::find_if(choices.begin(), choices.end(),
                                     [&](const CategoryChoice &c) { return c.key == key; });
    if (chosen == choices.end())
        return mqFail(QStringLiteral("add: no category '%1' below \"Downloaded\"").arg(key));
    job.categoryKey = key;
    // A relative --dir is taken from where mq runs, not from where the program will.
    const QString folder = o.dir.isEmpty() ? chosen->folder : QFileInfo(o.dir).absoluteFilePath();
    job.saveFolder = folderWithSeparator(folder.isEmpty() ? QDir::homePath() + "/mydown" : folder);
    // Parts and user agent as set in the settings file beside the database.
    const OptionValues settings =
        iniReadValues(QFileInfo(o.db).absoluteDir().filePath(QStringLiteral("set.ini")));
    bool ok = true;
    job.parts = o.parts.isEmpty() ? settings.Parts.toInt(&ok) : o.parts.toInt(&ok);
    if (!o.parts.isEmpty() && (!ok || job.parts < 1 || job.parts > kMaxParts))
        return mqFail(QStringLiteral("add: --parts takes 1 to %1").arg(kMaxParts));
    if (!ok || job.parts < 1 || job.parts > kMaxParts) job.parts = 5;
    job.userAgent = settings.Useragent;
    job.manual = o.manual;
    job.referer = o.referer;
    job.comment = o.comment;

    Added added;
    if (o.batch.isEmpty()) {
        for (const QString &url : o.urls) {
            const Added one = AddNewJob(core, job, url, renameFromUrl(url));
            added.jobs += one.jobs;
            if (!one.message.isEmpty()) added.message = one.message;
            const QString warning = urlWarning(url, {}, false);
            if (!warning.isEmpty()) mqFail(QStringLiteral("add: %1: %2").arg(url, warning), 0);
        }
    } else {
        QStringList urls;
        if (!batchUrls(o, &urls)) return 1;
        added = AddBatFile(core, job, urls);
    }
    QString error;
    if (!SaveJobDatabase(core.tree, core.DownJobs, core.paths.JobDbPath, &error))
        return mqFail(QStringLiteral("add: ") + error);
    for (int index : added.jobs)
        std::printf("%d\t%s\n", index, core.DownJobs[index].SavePath.toUtf8().constData());
    std::fflush(stdout);
    if (!added.message.isEmpty()) return mqFail(QStringLiteral("add: ") + added.message);
    return 0;
}
} // namespace

MQ_COMMAND("add",
           "add URL... --db FILE [--category KEY] [--dir FOLDER] [--parts N] [--manual] "
           "[--referer URL] [--comment TEXT] | add --batch PATTERN --from A --to B [--width W] ...",
           runAdd);
