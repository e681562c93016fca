#include "jobs/JobDatabase.h"
#include "jobs/CategoryTree.h"

#include "jobs/JobRecordFormat.h"
#include "jobs/JobTable.h"
#include "jobs/LeRecord.h"

#include "platform/Cp1252.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QSaveFile>

namespace {

const QString kEndMark = QStringLiteral("0");
const QString kEndName = QStringLiteral("end");
constexpr int kFillerBytes = 4;

bool keptInFile(const DownJobRecord &job) {
    return !job.CategoryKey.isEmpty() && job.CategoryKey != QLatin1String("Recely_Really");
}

// Names and folders lose their leading and trailing spaces when loaded.
QString trimSpaces(const QString &text) {
    int from = 0;
    int to = int(text.size());
    while (from < to && text[from] == QLatin1Char(' '))
        ++from;
    while (to > from && text[to - 1] == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

void damage(DbLoadResult &result, qint64 offset, const QString &what) {
    result.damaged = true;
    result.offset = offset;
    result.error = QStringLiteral("%1 (at byte %2)").arg(what).arg(offset);
}

// Categories up to and including the end record; false when damaged.
bool readCategories(LeReader &in, CategoryStore &tree, DbLoadResult &result) {
    for (;;) {
        const qint64 start = in.pos();
        const QString parentKey = in.text();
        const QString key = in.text();
        const QString name = in.text();
        const QString folder = in.text();
        if (!in.ok()) {
            damage(result, start, QStringLiteral("The file ends inside the category list"));
            return false;
        }
        if (parentKey == kEndMark && key == kEndMark) return true;
        if (!tree.contains(parentKey)) {
            damage(result, start,
                   QStringLiteral("Category \"%1\" names an unknown parent \"%2\"")
                       .arg(key, parentKey));
            return false;
        }
        if (!tree.addNode(parentKey, key, trimSpaces(name), QStringLiteral("5"),
                          QStringLiteral("6"), trimSpaces(folder))) {
            damage(result, start,
                   QStringLiteral("Category key \"%1\" is empty or repeated").arg(key));
            return false;
        }
        ++result.categories;
    }
}

// After a record: the optional filler of 4 zero bytes. A record never starts
// with an empty CategoryKey (a zero length), so zero bytes here are the filler.
bool skipFiller(LeReader &in, DbLoadResult &result) {
    const QByteArray next = in.peek(kFillerBytes);
    if (next.isEmpty() || next[0] != 0 || (next.size() > 1 && next[1] != 0)) return true;
    if (next != QByteArray(kFillerBytes, '\0')) {
        damage(result, in.pos(), QStringLiteral("A job record is followed by a broken filler"));
        return false;
    }
    in.seek(in.pos() + kFillerBytes);
    result.filler = true;
    return true;
}

void readJobs(LeReader &in, JobTable &jobs, DbLoadResult &result) {
    while (!in.atEnd()) {
        const qint64 start = in.pos();
        DownJobRecord job;
        if (!readJobRecord(in, job)) {
            damage(result, start, QStringLiteral("The file ends inside a job record"));
            return;
        }
        if (jobs.add(job) == 0) {
            damage(result, start,
                   QStringLiteral("More than %1 jobs; the rest were not loaded")
                       .arg(JobTable::kMaxJobs));
            return;
        }
        ++result.jobs;
        if (!skipFiller(in, result)) return;
    }
}

QString keepDamagedCopy(const QString &path) {
    const QString base =
        path + QStringLiteral(".damaged-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = base;
    for (int n = 2; QFile::exists(copy); ++n)
        copy = base + QLatin1Char('-') + QString::number(n);
    // A file that cannot even be copied (unreadable) is moved aside instead,
    // so that the next save can never destroy it.
    return QFile::copy(path, copy) || QFile::rename(path, copy) ? copy : QString();
}
} // namespace

DbLoadResult ReadJobDatabase(CategoryStore &tree, JobTable &jobs, const QByteArray &data) {
    DbLoadResult result;
    jobs.clear();
    LeReader in(data);
    if (readCategories(in, tree, result)) readJobs(in, jobs, result);
    return result;
}

DbLoadResult LoadJobDatabase(CategoryStore &tree, JobTable &jobs, const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        DbLoadResult result;
        jobs.clear();
        damage(result, 0, QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
        if (QFile::exists(path)) result.backupPath = keepDamagedCopy(path);
        return result;
    }
    const QByteArray data = file.readAll();
    file.close();
    DbLoadResult result = ReadJobDatabase(tree, jobs, data);
    if (result.damaged) result.backupPath = keepDamagedCopy(path);
    return result;
}

bool CategoryKeysDistinctOnDisk(const CategoryStore &tree, QString *first, QString *second) {
    QHash<QByteArray, QString> written;
    for (const CategoryStore::Node *node : tree.preOrder()) {
        const QByteArray bytes = Cp1252::encode(node->key).left(LeWriter::kMaxTextBytes);
        const auto it = written.constFind(bytes);
        if (it != written.cend()) {
            if (first) *first = *it;
            if (second) *second = node->key;
            return false;
        }
        written.insert(bytes, node->key);
    }
    return true;
}

void WriteCategoryNodes(const CategoryStore::Node *first, int count, LeWriter &file) {
    if (!first || !first->parent) return;
    // A stack of sibling runs instead of recursion: a deep tree cannot
    // exhaust the call stack.
    struct Run {
        const std::vector<std::unique_ptr<CategoryStore::Node>> *siblings;
        size_t next;
        int left;
    };
    const auto &siblings = first->parent->children;
    size_t i = 0;
    while (i < siblings.size() && siblings[i].get() != first)
        ++i;
    std::vector<Run> runs{{&siblings, i, count}};
    while (!runs.empty()) {
        Run &run = runs.back();
        if (run.next >= run.siblings->size() || run.left <= 0) {
            runs.pop_back();
            continue;
        }
        const CategoryStore::Node *node = (*run.siblings)[run.next].get();
        ++run.next;
        --run.left;
        file.text(node->parent->key);
        file.text(node->key);
        file.text(node->text);
        file.text(node->tag);
        if (!node->children.empty())
            runs.push_back({&node->children, 0, int(node->children.size())});
    }
}

QByteArray JobDatabaseBytes(const CategoryStore &tree, const JobTable &jobs) {
    LeWriter out;
    const CategoryStore::Node *downloaded = tree.find(TreeKey::Downloaded);
    if (downloaded && !downloaded->children.empty())
        WriteCategoryNodes(downloaded->children.front().get(), int(downloaded->children.size()),
                           out);
    out.text(kEndMark);
    out.text(kEndMark);
    out.text(kEndName);
    out.text(kEndName);
    for (int i = 1; i <= jobs.DownCount(); ++i)
        if (keptInFile(jobs[i])) writeJobRecord(out, jobs[i]);
    return out.bytes();
}

bool SaveJobDatabase(const CategoryStore &tree, const JobTable &jobs, const QString &path,
                     QString *error) {
    const QByteArray bytes = JobDatabaseBytes(tree, jobs);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error) *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return false;
}
