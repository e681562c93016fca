// The rules of category and job editing and of the import of files on disk,
// checked on the records, the tree, the job database file and the files.
#include "common/EditFixture.h"
#include "common/JobFields.h"
#include "common/TestRows.h"
#include "jobs/CategoryEdit.h"
#include "jobs/FileMove.h"
#include "jobs/ImportFiles.h"
#include "jobs/JobEdit.h"

#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {
const QByteArray kBody(70000, 'x');

// Files written while this lives may not grow past `bytes`, as on a full disk.
struct FullDisk {
    rlimit old{};
    explicit FullDisk(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit low{bytes, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &low);
    }
    ~FullDisk() { setrlimit(RLIMIT_FSIZE, &old); }
};

QString keyOf(const JobTable &jobs, int i) {
    return jobs.isValid(i) ? jobs[i].CategoryKey : QStringLiteral("<none>");
}
} // namespace

class TestJobEdit : public QObject {
    Q_OBJECT
    // Sources on another file system than the fixture, so that moves copy.
    QTemporaryDir m_other{QStringLiteral("/dev/shm/mqedit-XXXXXX")};

private slots:
    void create_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder"); // in the fixture unless absolute
        QTest::addColumn<bool>("ok");
        row("plain", "Games 2", "x", true);
        row("latin-1", QString::fromUtf8("Café €"), "x", true);
        row("empty", "", "x", false);
        row("blank", "   ", "x", false);
        row("slash", "a/b", "x", false);
        row("backslash", "a\\b", "x", false);
        row("cjk", QString::fromUtf8("動画"), "x", false);
        row("folder below a file", "X", "file/sub", false);
        row("folder in /proc", "X", "/proc/mq-no-such/x", false);
    }
    void create() {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(bool, ok);
        EditFixture f;
        EditFixture::file(f.dir.filePath("file"), "x");
        const QString path = folder.startsWith('/') ? folder : f.dir.filePath(folder);
        const EditResult r = CategoryEdit::create(f.core.tree, f.core.DownJobs, "101k", name, path,
                                                  true, f.commit());
        QCOMPARE(r.ok, ok);
        QCOMPARE(f.core.tree.contains("101k2"), ok);
        QCOMPARE(QFile::exists(f.core.paths.JobDbPath), ok);
        if (ok) QVERIFY(f.reload()->tree.contains("101k2") && QFileInfo(path).isDir());
        if (!ok) QVERIFY(!r.message.isEmpty());
        if (name == "X") QVERIFY2(r.message.contains(path), qPrintable(r.message));
    }

    void newKeysStayUnique() {
        EditFixture f;
        // 101k has one child (101k1): the next key is 101k2.
        QCOMPARE(CategoryEdit::newKey(f.core.tree, f.core.DownJobs, "101k"), QString("101k2"));
        // A deleted sibling's key still used by a job is not given again.
        f.core.tree.addNode("102k", "102k2", "B", "5", "6");
        f.addJob("102k1", StateComplete, "/x");
        QCOMPARE(CategoryEdit::newKey(f.core.tree, f.core.DownJobs, "102k"), QString("102k3"));
        f.core.tree.addNode("102k", "102k3", "C", "5", "6");
        QCOMPARE(CategoryEdit::newKey(f.core.tree, f.core.DownJobs, "102k"), QString("102k4"));
    }

    void moveCategory_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("parentAfter");
        QTest::newRow("below another") << "102k" << QString("101k1") << true << "101k1";
        QTest::newRow("into itself") << "101k" << QString("101k") << true << "Downloaded";
        QTest::newRow("into own sub-tree") << "101k" << QString("101k1") << false << "Downloaded";
        QTest::newRow("Downloaded stays") << "Downloaded" << QString("101k") << true << "MoorQuill";
        QTest::newRow("to the recycle node")
            << "102k" << QString("Recely") << false << "Downloaded";
        QTest::newRow("the recycle node") << "Recely" << QString("101k") << false << "MoorQuill";
    }
    void moveCategory() {
        QFETCH(QString, key);
        QFETCH(QString, target);
        QFETCH(QString, parentAfter);
        EditFixture f;
        const EditResult r =
            CategoryEdit::move(f.core.tree, f.core.DownJobs, key, target, f.commit());
        QTEST(bool(r.ok), "ok");
        QCOMPARE(f.core.tree.find(key)->parent->key, parentAfter);
        QCOMPARE(QFile::exists(f.core.paths.JobDbPath), r.changed);
        if (r.changed) QCOMPARE(f.reload()->tree.find(key)->parent->key, parentAfter);
    }

    void deleteTopLevelCategoryIsRefused_data() {
        QTest::addColumn<QString>("key");
        for (const char *key : {"Downloaded", "Recely", "NowSearch", "MoorQuill", "nokey"})
            QTest::newRow(key) << QString(key);
    }
    void deleteTopLevelCategoryIsRefused() {
        QFETCH(QString, key);
        EditFixture f;
        const int job = f.addJob("Downloaded", StateComplete, "/x");
        const int before = f.core.tree.preOrder().size();
        const EditResult r = CategoryEdit::remove(f.core.tree, f.core.DownJobs,
                                                  f.core.lists.lvHaveDown, key, f.commit());
        QVERIFY(!r.ok);
        QCOMPARE(r.message, QString("Error!\nCan not Delete this Category!"));
        QCOMPARE(f.core.tree.preOrder().size(), before);
        QCOMPARE(f.core.DownJobs[job].CategoryKey, QString("Downloaded"));
    }

    void deleteCategoryRecyclesItsCompleteJobs() {
        EditFixture f;
        const int done = f.addJob("101k", StateComplete, "/a");
        const int paused = f.addJob("101k", StatePaused, "/b");
        const int sub = f.addJob("101k1", StateComplete, "/c");
        f.core.lists.FillCompletedList("101k", 0, 0);
        QCOMPARE(f.core.lists.lvHaveDown.count(), 1);
        QVERIFY(CategoryEdit::remove(f.core.tree, f.core.DownJobs, f.core.lists.lvHaveDown, "101k",
                                     f.commit())
                    .ok);
        QCOMPARE(f.core.lists.lvHaveDown.count(), 0);
        QVERIFY(!f.core.tree.contains("101k") && !f.core.tree.contains("101k1"));
        auto saved = f.reload();
        QCOMPARE(keyOf(saved->jobs, done), QString("Recely"));
        QCOMPARE(keyOf(saved->jobs, paused), QString("101k"));
        QCOMPARE(keyOf(saved->jobs, sub), QString("101k1"));
        // At the next start the jobs left with the old keys are listed under "Downloaded".
        QCOMPARE(CategoryEdit::adoptOrphanJobs(saved->tree, saved->jobs), 2);
        QCOMPARE(keyOf(saved->jobs, paused), QString("Downloaded"));
        QCOMPARE(keyOf(saved->jobs, sub), QString("Downloaded"));
    }

    void deleteToRecycleThenForGood() {
        EditFixture f;
        const QString path = EditFixture::file(f.dir.filePath("down/cartoon/a.swf"), "abc");
        const int job = f.addJob("101k", StateComplete, path);
        const int other = f.addJob("101k", StateComplete, f.dir.filePath("b.swf"));
        f.core.lists.FillCompletedList("101k", 0, 0);

        auto kind = JobEdit::deleteKindFor(3, "101k");
        QVERIFY(!JobEdit::deleteAsks(kind));
        QVERIFY(
            JobEdit::deleteJobs(f.core.DownJobs, f.core.lists, kind, {job}, true, f.commit()).ok);
        QCOMPARE(f.core.lists.lvHaveDown.count(), 1); // the other job's row stays
        QCOMPARE(keyOf(f.reload()->jobs, job), QString("Recely"));
        QVERIFY(QFile::exists(path)); // to the recycle node the file stays

        kind = JobEdit::deleteKindFor(3, "Recely");
        QVERIFY(JobEdit::deleteAsks(kind));
        QVERIFY(
            JobEdit::deleteJobs(f.core.DownJobs, f.core.lists, kind, {job, other}, true, f.commit())
                .ok);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(f.core.DownJobs[job].CategoryKey, QString("Recely_Really"));
        QCOMPARE(f.core.DownJobs[other].CategoryKey, QString("101k")); // not in the recycle node
        auto saved = f.reload();
        QCOMPARE(saved->jobs.DownCount(), 1);
        QCOMPARE(saved->jobs[1].SavePath, f.dir.filePath("b.swf"));
    }

    void deleteUnfinishedJobs() {
        EditFixture f;
        const QString part = EditFixture::file(f.dir.filePath("p.swf!mq"), "ab");
        const int waiting = f.addJob("101k", StateWaiting, part);
        const int running = f.addJob("101k", StateRunning, f.dir.filePath("r.swf"));
        f.core.lists.AddJobToList(waiting);
        f.core.lists.AddJobToList(running);
        const EditResult r =
            JobEdit::deleteJobs(f.core.DownJobs, f.core.lists, JobEdit::DeleteKind::Unfinished,
                                {waiting, running}, true, f.commit());
        QVERIFY(!r.ok);
        QVERIFY(r.message.contains("running"));
        COMPARE_FIELDS(f.core.DownJobs[waiting], "{'State': 4, 'CategoryKey': 'Recely_Really'}");
        QCOMPARE(f.core.DownJobs[running].State, int(StateRunning));
        QVERIFY(!QFile::exists(part));
        QCOMPARE(f.core.lists.lvNowDown.count(), 1);
        QCOMPARE(f.reload()->jobs.DownCount(), 1);
    }

    void deleteKeepsJobWhoseFileCannotGo() {
        EditFixture f;
        // A non-empty folder where the file should be: unlink fails.
        const QString path = f.folder("busy.swf");
        EditFixture::file(path + "inner", "x");
        const int job = f.addJob("Recely", StateComplete, path);
        const EditResult r = JobEdit::deleteJobs(
            f.core.DownJobs, f.core.lists, JobEdit::DeleteKind::ForGood, {job}, true, f.commit());
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains("busy.swf"), qPrintable(r.message));
        QCOMPARE(f.core.DownJobs[job].CategoryKey, QString("Recely"));
    }

    void moveJobsToOwnCategoryChangesNothing() {
        EditFixture f;
        const int job = f.addJob("101k", StateComplete, "/a");
        f.core.lists.FillCompletedList("101k", 0, 0);
        const EditResult r = JobEdit::moveJobs(f.core.tree, f.core.DownJobs, f.core.lists, {job},
                                               "101k", "101k", true, {}, f.commit());
        QVERIFY(r.ok && !r.changed);
        QCOMPARE(f.core.lists.lvHaveDown.count(), 1);
        QVERIFY(!QFile::exists(f.core.paths.JobDbPath));
    }

    void moveJobsWithFiles() {
        EditFixture f;
        const QString a = EditFixture::file(m_other.filePath("a.swf"), kBody);
        const QString b = EditFixture::file(f.dir.filePath("b.swf"), "new");
        const QString taken = EditFixture::file(f.dir.filePath("down/mtv/b.swf"), "old");
        const int ja = f.addJob("101k", StateComplete, a);
        const int jb = f.addJob("101k", StateComplete, b);
        f.core.lists.FillCompletedList("101k", 0, 0);
        int asked = 0;
        const EditResult r = JobEdit::moveJobs(
            f.core.tree, f.core.DownJobs, f.core.lists, {ja, jb}, "102k", "101k", true,
            [&](const QString &) { return ++asked, false; }, f.commit());
        QCOMPARE(asked, 1);
        const QString moved = f.dir.filePath("down/mtv/a.swf");
        QCOMPARE(readFileBytes(moved), kBody); // copied across file systems
        QVERIFY(!QFile::exists(a));
        QCOMPARE(readFileBytes(taken), QByteArray("old")); // "No" keeps the existing file
        QVERIFY(QFile::exists(b));
        auto saved = f.reload();
        COMPARE_FIELDS(saved->jobs[ja],
                       "{'CategoryKey': '102k', 'SavePath': '" + moved.toUtf8() + "'}");
        QCOMPARE(saved->jobs[jb].CategoryKey, QString("101k"));
        QCOMPARE(f.core.lists.lvHaveDown.count(), 1);
        QVERIFY(r.changed);
    }

    void outputFileAsksBeforeOverwriting() {
        EditFixture f;
        const QString src = EditFixture::file(f.dir.filePath("a.swf"), "fresh");
        const int job = f.addJob("101k", StateComplete, src);
        const QString out = f.folder("out");
        QCOMPARE(JobEdit::outputTarget(src, out.chopped(1)), out + "a.swf");
        QVERIFY(JobEdit::outputFile(f.core.DownJobs, job, out, {}).done());
        QCOMPARE(readFileBytes(out + "a.swf"), QByteArray("fresh"));
        EditFixture::file(out + "a.swf", "mine");
        auto no = [](const QString &) { return false; };
        auto yes = [](const QString &) { return true; };
        QCOMPARE(JobEdit::outputFile(f.core.DownJobs, job, out, no).outcome,
                 FileMove::Outcome::Skipped);
        QCOMPARE(readFileBytes(out + "a.swf"), QByteArray("mine"));
        QVERIFY(JobEdit::outputFile(f.core.DownJobs, job, out, yes).done());
        QCOMPARE(readFileBytes(out + "a.swf"), QByteArray("fresh"));
        QCOMPARE(f.core.DownJobs[job].SavePath, src);
    }

    void renameRefusesBadNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("ok");
        QTest::newRow("plain") << "b.swf" << true;
        QTest::newRow("slash") << "../b.swf" << false;
        QTest::newRow("existing") << "taken.swf" << false;
        QTest::newRow("empty") << "" << false;
    }
    void renameRefusesBadNames() {
        QFETCH(QString, name);
        QFETCH(bool, ok);
        EditFixture f;
        const QString src = EditFixture::file(f.dir.filePath("a.swf"), "a");
        EditFixture::file(f.dir.filePath("taken.swf"), "t");
        const int job = f.addJob("101k", StateComplete, src);
        QCOMPARE(JobEdit::rename(f.core.DownJobs, f.core.lists, job, name, f.commit()).ok, ok);
        QCOMPARE(QFile::exists(src), !ok);
        QCOMPARE(f.core.DownJobs[job].SavePath, ok ? f.dir.filePath(name) : src);
        if (ok) QCOMPARE(f.reload()->jobs[job].SavePath, f.dir.filePath(name));
    }

    void findWrapsAndIgnoresCase() {
        EditFixture f;
        f.addJob("101k", StateComplete, "/d/alpha.swf", "http://h/1");
        f.addJob("101k", StateComplete, "/d/beta.swf", "http://ALPHA.example/2");
        f.core.DownJobs[1].Comment = "none";
        f.core.lists.FillCompletedList("101k", 0, 0);
        const ListRowModel &list = f.core.lists.lvHaveDown;
        QCOMPARE(JobEdit::findRow(list, f.core.DownJobs, "Alpha", -1), 0);
        QCOMPARE(JobEdit::findRow(list, f.core.DownJobs, "Alpha", 0), 1);
        QCOMPARE(JobEdit::findRow(list, f.core.DownJobs, "Alpha", 1), 0);
        QCOMPARE(JobEdit::findRow(list, f.core.DownJobs, "gamma", 0), -1);
    }

    void listFolderByType() {
        EditFixture f;
        const QString folder = f.folder("in");
        for (const char *name : {"b.zip", "a.SWF", "c.swf", "d.ZIP", "e.txt"})
            EditFixture::file(folder + name, "x");
        auto names = [&](const QString &pattern) {
            QStringList out;
            for (const auto &row : ImportFiles::listFolder(folder, pattern))
                out << row.name;
            return out;
        };
        QCOMPARE(names("*.zip"), QStringList({"b.zip", "d.ZIP"}));
        QCOMPARE(names("*.swf"), QStringList({"a.SWF", "c.swf"}));
        QCOMPARE(ImportFiles::listFolder(folder.chopped(1), "*.zip")[0].path, folder + "b.zip");
    }

    void importRecords() {
        EditFixture f;
        const QString stay = EditFixture::file(f.dir.filePath("in/stay.swf"), "12345");
        const QString go = EditFixture::file(m_other.filePath("go.swf"), kBody);
        QVector<int> added;
        EditResult r =
            ImportFiles::importItems(f.core.tree, f.core.DownJobs, "101k",
                                     {{stay, "http://r/", "c"}}, false, {}, f.commit(), &added);
        QVERIFY(r.ok);
        r = ImportFiles::importItems(f.core.tree, f.core.DownJobs, "102k", {{go, {}, {}}}, true, {},
                                     f.commit(), &added);
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(added.size(), 2);
        auto saved = f.reload();
        const DownJobRecord &a = saved->jobs[added[0]];
        COMPARE_FIELDS(a,
                       "{'State': 4, 'SavePath': '" + stay.toUtf8() +
                           "', 'TotalSize': 5, 'Received': 5, 'Url': 'http://r/', 'Comment': 'c'}");
        QVERIFY(a.CreateTime > 40000);
        const DownJobRecord &b = saved->jobs[added[1]];
        QCOMPARE(b.SavePath, f.dir.filePath("down/mtv/go.swf"));
        QCOMPARE(readFileBytes(b.SavePath), kBody);
        QVERIFY(!QFile::exists(go));
    }

    void importFailuresKeepSources() {
        EditFixture f;
        const QString fine = EditFixture::file(m_other.filePath("fine.swf"), "ok");
        const QString clash = EditFixture::file(m_other.filePath("clash.swf"), "new");
        const QString big = EditFixture::file(m_other.filePath("big.swf"), kBody);
        EditFixture::file(f.dir.filePath("down/mtv/clash.swf"), "old");
        QVector<int> added;
        EditResult r;
        {
            FullDisk full(4096);
            r = ImportFiles::importItems(f.core.tree, f.core.DownJobs, "102k",
                                         {{fine, {}, {}},
                                          {clash, {}, {}},
                                          {big, {}, {}},
                                          {m_other.filePath("missing.swf"), {}, {}}},
                                         true, {}, f.commit(), &added);
        }
        QVERIFY(!r.ok);
        for (const char *name : {"clash.swf", "big.swf", "missing.swf"})
            QVERIFY2(r.message.contains(name), qPrintable(r.message));
        QCOMPARE(added.size(), 1);
        QCOMPARE(readFileBytes(clash), QByteArray("new"));
        QCOMPARE(readFileBytes(f.dir.filePath("down/mtv/clash.swf")), QByteArray("old"));
        QCOMPARE(readFileBytes(big), kBody);
        QVERIFY(!QFile::exists(f.dir.filePath("down/mtv/big.swf")));
        QVERIFY(!QFile::exists(fine));
        QCOMPARE(f.reload()->jobs.DownCount(), 1);
    }

    void importIntoUnwritableFolder() {
        EditFixture f;
        const QString src = EditFixture::file(m_other.filePath("ro.swf"), "ro");
        QString folder = "/proc/mq-no-such/";
        if (geteuid() != 0) { // a read-only folder stops everyone but root
            folder = f.folder("ro");
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        }
        f.core.tree.setTag("102k", folder);
        const EditResult r = ImportFiles::importItems(f.core.tree, f.core.DownJobs, "102k",
                                                      {{src, {}, {}}}, true, {}, f.commit());
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains("ro.swf") || r.message.contains(folder.chopped(1)),
                 qPrintable(r.message));
        QCOMPARE(readFileBytes(src), QByteArray("ro"));
        QCOMPARE(f.core.DownJobs.DownCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestJobEdit)
#include "tst_jobedit.moc"
