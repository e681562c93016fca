// mq category: the category commands of the main window without a window.
#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "app/mq/MqDatabase.h"
#include "app/mq/MqOutput.h"
#include "jobs/CategoryEdit.h"
#include "jobs/CategoryTree.h"
#include "jobs/DbCommit.h"
#include "session/AppCore.h"

namespace {

struct CategoryArgs {
    QString db, parent, name, dir, key, to;
    bool mkdir = false, hasName = false, hasDir = false;
};

const char kUsage[] =
    "usage: mq category add --db FILE --parent KEY --name NAME [--dir FOLDER] [--mkdir]\n"
    "       mq category list --db FILE\n"
    "       mq category move --db FILE --key KEY --to KEY\n"
    "       mq category set --db FILE --key KEY [--name NAME] [--dir FOLDER]\n"
    "       mq category delete --db FILE --key KEY";

int parse(const QStringList &args, CategoryArgs &o) {
    ArgCursor cursor(args);
    cursor.next(); // the verb
    while (!cursor.atEnd()) {
        const QString &a = cursor.next();
        bool ok = true;
        if (a == QLatin1String("--db"))
            ok = cursor.value(o.db);
        else if (a == QLatin1String("--parent"))
            ok = cursor.value(o.parent);
        else if (a == QLatin1String("--name"))
            ok = o.hasName = cursor.value(o.name);
        else if (a == QLatin1String("--dir"))
            ok = o.hasDir = cursor.value(o.dir);
        else if (a == QLatin1String("--key"))
            ok = cursor.value(o.key);
        else if (a == QLatin1String("--to"))
            ok = cursor.value(o.to);
        else if (a == QLatin1String("--mkdir"))
            o.mkdir = true;
        else
            return mqFail(QStringLiteral("category: unexpected argument '%1'").arg(a));
        if (!ok) return mqFail(QStringLiteral("category: %1 needs a value").arg(a));
    }
    return 0;
}

int finish(const EditResult &result) {
    if (!result.ok) return mqFail(QStringLiteral("category: ") + result.message);
    if (!result.message.isEmpty()) return mqFail(result.message);
    return 0;
}

int list(const AppCore &core) {
    for (const CategoryStore::Node *node : core.tree.preOrder()) {
        if (!CategoryEdit::isUserCategory(core.tree, node->key)) continue;
        printLine("{\"Key\":" + jsonString(node->key) + ",\"ParentKey\":" +
                  jsonString(node->parent->key) + ",\"Name\":" + jsonString(node->text) +
                  ",\"Folder\":" + jsonString(node->tag) + "}");
    }
    return 0;
}

int run(const QStringList &args) {
    const QString verb = args.value(0);
    CategoryArgs o;
    if (args.isEmpty() || parse(args, o) != 0) return mqFail(QString::fromLatin1(kUsage));
    AppCore core;
    const QString error = openMqDatabase(core, o.db);
    if (!error.isEmpty()) return mqFail(QStringLiteral("category: ") + error);
    const DbCommit commit = core.dbCommit();
    if (verb == QLatin1String("list")) return list(core);
    if (verb == QLatin1String("add")) {
        if (o.parent.isEmpty() || !o.hasName)
            return mqFail(QStringLiteral("category add: --parent KEY and --name NAME are needed"));
        const QString folder =
            o.hasDir ? o.dir
                     : CategoryEdit::proposedFolder(
                           core.tree.find(o.parent) ? core.tree.find(o.parent)->tag : QString(),
                           o.name, o.mkdir);
        const EditResult result = CategoryEdit::create(core.tree, core.DownJobs, o.parent, o.name,
                                                       folder, o.mkdir, commit);
        if (result.ok) printLine(result.key.toUtf8());
        return finish(result);
    }
    if (o.key.isEmpty())
        return mqFail(QStringLiteral("category %1: --key KEY is needed").arg(verb));
    if (!core.tree.contains(o.key))
        return mqFail(QStringLiteral("category %1: no category %2").arg(verb, o.key));
    if (verb == QLatin1String("move")) {
        if (!core.tree.contains(o.to))
            return mqFail(QStringLiteral("category move: no category %1").arg(o.to));
        return finish(CategoryEdit::move(core.tree, core.DownJobs, o.key, o.to, commit));
    }
    if (verb == QLatin1String("set")) {
        const CategoryStore::Node *node = core.tree.find(o.key);
        return finish(CategoryEdit::setProperties(core.tree, o.key, o.hasName ? o.name : node->text,
                                                  o.hasDir ? o.dir : node->tag, commit));
    }
    if (verb == QLatin1String("delete"))
        return finish(
            CategoryEdit::remove(core.tree, core.DownJobs, core.lists.lvHaveDown, o.key, commit));
    return mqFail(QString::fromLatin1(kUsage));
}
} // namespace

MQ_COMMAND("category",
           "category add|list|move|set|delete --db FILE ...   (edit the categories of a job "
           "database)",
           run);
