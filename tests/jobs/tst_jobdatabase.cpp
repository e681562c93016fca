#include "common/JobFields.h"
#include "common/TestData.h"
#include "common/TestFiles.h"
#include "jobs/CategoryStore.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "jobs/JobJson.h"
#include "jobs/JobTable.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {
// An independent encoder of the file's little-endian fields.
struct Bytes {
    QByteArray data;
    QDataStream out{&data, QIODevice::WriteOnly};
    Bytes() {
        out.setByteOrder(QDataStream::LittleEndian);
        out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    }
    Bytes &text(const QByteArray &cp1252) {
        out << quint16(cp1252.size());
        out.writeRawData(cp1252.constData(), int(cp1252.size()));
        return *this;
    }
    template <typename T> Bytes &put(T v) { return out << v, *this; }
    Bytes &i16(qint16 v) { return put(v); }
    Bytes &i32(qint32 v) { return put(v); }
    Bytes &f64(double v) { return put(v); }
    Bytes &f32(float v) {
        out.setFloatingPointPrecision(QDataStream::SinglePrecision);
        out << v;
        out.setFloatingPointPrecision(QDataStream::DoublePrecision);
        return *this;
    }
};

// The category record that ends the categories.
const QByteArray kEndRecord = Bytes().text("0").text("0").text("end").text("end").data;

// Declares a tree holding the fixed nodes and an empty job table.
#define FIXED_DB(tree, jobs)                                                                       \
    CategoryStore tree;                                                                            \
    AddFixedNodes(tree, {});                                                                       \
    JobTable jobs

DownJobRecord job(const QString &key, const QString &url) {
    return testJob(key, 4, url, {});
}

// A job with a distinct value in every field.
DownJobRecord fullJob() {
    DownJobRecord j;
    jobFromJson(QJsonDocument::fromJson(
                    QByteArray("{'CategoryKey': 'cat1', 'State': 2, 'Referer': 'http://r/', "
                               "'CanResume': -1, 'Comment': 'é ü €', 'SavePath': "
                               "'/home/u/mydown/a.swf', 'FileName': 'a.swf', 'IsNew': -1, "
                               "'FileOpen': 1, 'FileNumber': 7, 'RemoteName': 'a.swf', "
                               "'TotalSize': 123456, 'Received': 65536, 'Parts': 3, "
                               "'Url': 'http://h:8080/a.swf', 'RequestPath': '/a.swf', "
                               "'Host': 'h', 'Port': 65000, 'UseProxy': -1, 'ProxyHost': "
                               "'proxy1', 'ProxyPort': 3128, 'UseLogin': -1, 'UserName': "
                               "'user', 'Password': 'pw', 'UserAgent': 'MoorQuill 1.0', "
                               "'CreateTime': 45000.25, 'CompleteTime': 45001.5, "
                               "'TotalTime': 0.001, 'StartTime': 45000.75, "
                               "'AverageSpeed': 1234.5}")
                        .replace('\'', '"'))
                    .object(),
                j, nullptr);
    for (int k = 0; k < kMaxParts; ++k)
        j.PartRanges[k] = {k * 100, k * 100 + 5, k * 100 + 99};
    j.ElapsedTime = 1.0 / 3.0;
    return j;
}

QByteArray fullJobBytes() {
    Bytes b;
    b.text("cat1")
        .i32(2)
        .text("http://r/")
        .i16(-1)
        .text("\xe9 \xfc \x80")
        .text("/home/u/mydown/a.swf")
        .text("a.swf");
    b.i16(-1).i16(1).i32(7).text("a.swf").i32(123456).i32(65536).i16(3);
    b.text("http://h:8080/a.swf").text("/a.swf").text("h").i16(qint16(quint16(65000))).i16(-1);
    b.text("proxy1").i16(3128).i16(-1).text("user").text("pw").text("MoorQuill 1.0");
    for (int k = 0; k < kMaxParts; ++k)
        b.i32(k * 100).i32(k * 100 + 5).i32(k * 100 + 99);
    b.f64(45000.25).f64(45001.5).f64(0.001).f64(45000.75).f64(1.0 / 3.0).f32(1234.5f);
    return b.data;
}

// The bytes of one job record.
QByteArray recordBytes(const DownJobRecord &j) {
    FIXED_DB(tree, one);
    one.add(j);
    return JobDatabaseBytes(tree, one).mid(kEndRecord.size());
}

QVector<DownJobRecord> smallJobs() {
    return {job("c1", "http://a/1.swf"), job("Recely", "http://a/2.swf")};
}

// A small database: two categories (one nested) and two jobs.
QByteArray smallDatabase() {
    FIXED_DB(tree, jobs);
    tree.addNode("Downloaded", "c1", "One", "5", "6", "/d/1/");
    tree.addNode("c1", "c11", "Inner", "5", "6", "/d/11/");
    for (const DownJobRecord &j : smallJobs())
        jobs.add(j);
    return JobDatabaseBytes(tree, jobs);
}

int jobSectionStart(const QByteArray &db) {
    return int(db.indexOf(kEndRecord)) + kEndRecord.size();
}

// Reads bytes into a fresh tree and the table.
DbLoadResult readBytes(const QByteArray &bytes, JobTable &jobs) {
    CategoryStore tree;
    AddFixedNodes(tree, {});
    return ReadJobDatabase(tree, jobs, bytes);
}
} // namespace

class TestJobDatabase : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void emptyDatabaseIsTheEndRecord() {
        FIXED_DB(tree, jobs);
        const QString path = m_dir.filePath("empty.mqb");
        QVERIFY(SaveJobDatabase(tree, jobs, path));
        QCOMPARE(readFileBytes(path), kEndRecord);

        FIXED_DB(loaded, table);
        table.add(job("x", "old")); // loading replaces the table
        const DbLoadResult r = LoadJobDatabase(loaded, table, path);
        QVERIFY(!r.damaged);
        QCOMPARE(int(table.DownCount()), 0);
        QCOMPARE(r.categories, 0);
    }

    void jobRecordLayout() {
        FIXED_DB(tree, jobs);
        jobs.add(fullJob());
        const QByteArray bytes = JobDatabaseBytes(tree, jobs);
        QCOMPARE(bytes, kEndRecord + fullJobBytes());
    }

    void roundTripNestedCategoriesAndKeptJobs() {
        FIXED_DB(tree, jobs);
        tree.addNode("Downloaded", "a", " Alpha ", "5", "6", " /d/a/ ");
        tree.addNode("a", "a1", "A one", "5", "6", "/d/a1/");
        tree.addNode("a1", "a1x", QString::fromUtf8("Tiefe é"), "5", "6", "/d/x/");
        tree.addNode("Downloaded", "b", "Beta", "5", "6", "/d/b/");
        tree.addNode("MoorQuill", "Recely", "Recycle", "7", "7");
        jobs.add(fullJob());
        jobs.add(job("Recely", "http://kept/"));
        jobs.add(job("Recely_Really", "http://dropped/"));
        jobs.add(job("", "http://no-key/"));
        jobs.add(job("a1x", QString::fromUtf8("http://h/€ü.swf")));
        const QString path = m_dir.filePath("nested.mqb");
        QVERIFY(SaveJobDatabase(tree, jobs, path));
        const QByteArray first = readFileBytes(path);

        Bytes cats;
        cats.text("Downloaded").text("a").text(" Alpha ").text(" /d/a/ ");
        cats.text("a").text("a1").text("A one").text("/d/a1/");
        cats.text("a1").text("a1x").text("Tiefe \xe9").text("/d/x/");
        cats.text("Downloaded").text("b").text("Beta").text("/d/b/");
        QVERIFY(first.startsWith(cats.data + kEndRecord));

        FIXED_DB(loaded, table);
        const DbLoadResult r = LoadJobDatabase(loaded, table, path);
        QVERIFY2(!r.damaged, qPrintable(r.error));
        QCOMPARE(r.categories, 4);
        QCOMPARE(int(table.DownCount()), 3);
        QCOMPARE(table[2].CategoryKey, QString("Recely"));
        QCOMPARE(table[3].Url, QString::fromUtf8("http://h/€ü.swf"));
        COMPARE_FIELDS(table[1], "{'Comment': 'é ü €', 'Port': 65000, 'AverageSpeed': 1234.5}");
        const CategoryStore::Node *a = loaded.find("a"); // blanks trimmed on load
        QCOMPARE(QStringList({a->text, a->tag, a->image, a->selectedImage}),
                 QStringList({"Alpha", "/d/a/", "5", "6"}));
        QCOMPARE(loaded.find("a1x")->parent->key, QString("a1"));

        // Saving what was loaded gives the same bytes (less the trimmed blanks).
        FIXED_DB(trimmed, again);
        LoadJobDatabase(trimmed, again, path);
        QCOMPARE(JobDatabaseBytes(loaded, table), JobDatabaseBytes(trimmed, again));
        QByteArray expected = first;
        expected.replace(Bytes().text(" Alpha ").text(" /d/a/ ").data,
                         Bytes().text("Alpha").text("/d/a/").data);
        QCOMPARE(JobDatabaseBytes(loaded, table), expected);
    }

    void fillerFormIsAccepted_data() {
        QTest::addColumn<bool>("every"); // filler after every record, or only after the first
        QTest::newRow("every record") << true;
        QTest::newRow("mixed") << false;
    }
    void fillerFormIsAccepted() {
        QFETCH(bool, every);
        const QByteArray plain = smallDatabase();
        QByteArray filled = plain.left(jobSectionStart(plain));
        bool firstRecord = true;
        for (const DownJobRecord &j : smallJobs()) {
            filled += recordBytes(j);
            if (every || firstRecord) filled += QByteArray(4, '\0');
            firstRecord = false;
        }
        FIXED_DB(tree, jobs);
        const DbLoadResult r = ReadJobDatabase(tree, jobs, filled);
        QVERIFY2(!r.damaged, qPrintable(r.error));
        QVERIFY(r.filler);
        QCOMPARE(int(jobs.DownCount()), 2);
        QCOMPARE(JobDatabaseBytes(tree, jobs), plain); // written back without filler
    }

    void brokenFillerIsDamage() {
        QByteArray bytes = smallDatabase();
        const int firstEnd = jobSectionStart(bytes) + int(recordBytes(smallJobs()[0]).size());
        bytes.insert(firstEnd, QByteArray("\0\0\1\0", 4));
        JobTable jobs;
        const DbLoadResult r = readBytes(bytes, jobs);
        QVERIFY(r.damaged);
        QCOMPARE(r.offset, qint64(firstEnd));
        QCOMPARE(int(jobs.DownCount()), 1);
    }

    void truncationAtEveryByteKeepsThePrefix() {
        const QByteArray full = smallDatabase();
        const int jobStart = jobSectionStart(full);
        const int firstEnd = jobStart + int(recordBytes(smallJobs()[0]).size());
        const int cat1End = 2 + 10 + 2 + 2 + 2 + 3 + 2 + 5; // Downloaded,c1,One,/d/1/
        for (int n = 0; n < full.size(); ++n) {
            JobTable jobs;
            const DbLoadResult r = readBytes(full.left(n), jobs);
            const bool boundary = n == jobStart || n == firstEnd;
            QVERIFY2(r.damaged != boundary, qPrintable(QString::number(n)));
            QCOMPARE(r.categories, n < cat1End ? 0 : n < jobStart - 16 ? 1 : 2);
            QCOMPARE(int(jobs.DownCount()), n < firstEnd ? 0 : 1);
            if (r.damaged) QVERIFY(r.offset >= 0 && r.offset <= n);
        }
    }

    void damagedFileIsCopiedBeside() {
        QTemporaryDir dir;
        const QString path = dir.filePath("default.mqb");
        const QByteArray cut = smallDatabase().left(40);
        QVERIFY(writeFileBytes(path, cut));
        FIXED_DB(tree, jobs);
        const DbLoadResult r = LoadJobDatabase(tree, jobs, path);
        QVERIFY(r.damaged);
        QVERIFY(!r.error.isEmpty());
        QVERIFY(r.backupPath.startsWith(path + ".damaged-"));
        QCOMPARE(readFileBytes(r.backupPath), cut);
        QCOMPARE(readFileBytes(path), cut); // the file itself is left alone
        // A missing file is reported too, with nothing to copy.
        const DbLoadResult none = LoadJobDatabase(tree, jobs, dir.filePath("none.mqb"));
        QVERIFY(none.damaged && none.backupPath.isEmpty());
    }

    void unreadableFileIsMovedAsideBeforeAnySave() {
        // A folder in the database's place cannot be read or copied (also not
        // by root, unlike a file without read permission).
        QTemporaryDir dir;
        const QString path = dir.filePath("default.mqb");
        QVERIFY(QDir().mkpath(path + "/inside"));
        FIXED_DB(tree, jobs);
        const DbLoadResult r = LoadJobDatabase(tree, jobs, path);
        QVERIFY(r.damaged);
        QVERIFY(r.backupPath.startsWith(path + ".damaged-"));
        QVERIFY(QFileInfo(r.backupPath + "/inside").isDir());
        QVERIFY(SaveJobDatabase(tree, jobs, path));
        QVERIFY(QFileInfo(r.backupPath + "/inside").isDir());
    }

    void unknownParentStopsTheLoad() {
        Bytes b;
        b.text("Downloaded").text("c1").text("One").text("/d/");
        b.text("nowhere").text("c2").text("Two").text("/d/");
        b.text("c1").text("c3").text("Three").text("/d/");
        const QByteArray bytes = b.data + kEndRecord;
        FIXED_DB(tree, jobs);
        const DbLoadResult r = ReadJobDatabase(tree, jobs, bytes);
        QVERIFY(r.damaged);
        QCOMPARE(r.categories, 1);
        QVERIFY(tree.contains("c1"));
        QVERIFY(!tree.contains("c3"));
        QCOMPARE(r.offset, qint64(2 + 10 + 2 + 2 + 2 + 3 + 2 + 3));
    }

    void longTextsAreCut() {
        FIXED_DB(tree, jobs);
        DownJobRecord j = job("c", QString(70000, QLatin1Char('u')));
        jobs.add(j);
        const QByteArray bytes = JobDatabaseBytes(tree, jobs);
        FIXED_DB(t, back);
        QVERIFY(!ReadJobDatabase(t, back, bytes).damaged);
        QCOMPARE(back[1].Url.size(), 65535);
    }

    void deepCategoryChainRoundTrips() {
        // Each category below the one before, read, written, converted and
        // taken down on a small stack: recursion over the depth overflows it.
        constexpr int kDepth = 10000;
        Bytes file;
        QByteArray parent = "Downloaded";
        for (int i = 0; i < kDepth; ++i) {
            const QByteArray key = "d" + QByteArray::number(i);
            file.text(parent).text(key).text("n").text("");
            parent = key;
        }
        file.text("0").text("0").text("end").text("end");
        int categories = 0;
        bool same = false, json = false, removed = false;
        std::unique_ptr<QThread> thread(QThread::create([&] {
            FIXED_DB(tree, jobs);
            categories = ReadJobDatabase(tree, jobs, file.data).categories;
            same = JobDatabaseBytes(tree, jobs) == file.data;
            json = databaseToJson(tree, jobs).toJson().contains("\"d9999\"");
            removed = tree.removeNode("d5") && !tree.contains("d9999") && tree.contains("d4");
        }));
        thread->setStackSize(128 * 1024);
        thread->start();
        QVERIFY(thread->wait(60000));
        QCOMPARE(categories, kDepth);
        QVERIFY(same && json && removed);
    }

    // The category tree and the job table.
    void addRefusesDuplicateKeysAndUnknownParents() {
        CategoryStore store;
        QVERIFY(store.addNode({}, "MoorQuill", "MoorQuill", "1", "1"));
        QVERIFY(!store.addNode({}, "MoorQuill", "again", "1", "1"));
        QVERIFY(!store.addNode("nowhere", "x", "x", "5", "6"));
        QVERIFY(store.addNode("MoorQuill", "Downloaded", "Downloaded", "4", "4"));
        QCOMPARE(store.rowCount(store.indexOf("MoorQuill")), 1);
    }

    void tableStopsAt32767() {
        JobTable jobs;
        DownJobRecord j;
        for (int i = 0; i < JobTable::kMaxJobs; ++i)
            QCOMPARE(jobs.add(j), i + 1);
        QCOMPARE(int(jobs.DownCount()), 32767);
        QCOMPARE(jobs.add(j), 0);
        QCOMPARE(int(jobs.DownCount()), 32767);
    }
};

QTEST_APPLESS_MAIN(TestJobDatabase)
#include "tst_jobdatabase.moc"
