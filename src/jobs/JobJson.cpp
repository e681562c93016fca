#include "jobs/JobJson.h"
#include "jobs/CategoryTree.h"

#include "jobs/JobFields.h"
#include "jobs/JobTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <cmath>
#include <limits>

namespace {

const char *const kPartKeys[] = {"StartPos", "Pos", "EndPos"};
const char *const kCategoryKeys[] = {"ParentKey", "Key", "Name", "Folder"};

JsonOut partRangesToJson(const DownJobRecord &job) {
    JsonOut parts = JsonOut::array();
    for (const PartRange &p : job.PartRanges)
        parts.append(JsonOut::object()
                         .insert(QStringLiteral("StartPos"), JsonOut::integer(p.StartPos))
                         .insert(QStringLiteral("Pos"), JsonOut::integer(p.Pos))
                         .insert(QStringLiteral("EndPos"), JsonOut::integer(p.EndPos)));
    return parts;
}

bool fail(QString *error, const QString &message) {
    if (error) *error = message;
    return false;
}

// A whole JSON number within [low, high].
bool wholeNumber(const QJsonValue &v, double low, double high, qint64 *out) {
    if (!v.isDouble()) return false;
    const double d = v.toDouble();
    if (d != std::floor(d) || d < low || d > high) return false;
    *out = qint64(d);
    return true;
}

bool readPartRanges(const QJsonValue &value, DownJobRecord &job, QString *error) {
    if (!value.isArray() || value.toArray().size() > kMaxParts)
        return fail(error, QStringLiteral("PartRanges must be an array of at most 10 objects"));
    const QJsonArray parts = value.toArray();
    for (int i = 0; i < parts.size(); ++i) {
        if (!parts[i].isObject())
            return fail(error, QStringLiteral("PartRanges[%1] is not an object").arg(i));
        const QJsonObject part = parts[i].toObject();
        qint32 *targets[] = {&job.PartRanges[i].StartPos, &job.PartRanges[i].Pos,
                             &job.PartRanges[i].EndPos};
        for (int k = 0; k < 3; ++k) {
            const QJsonValue v = part.value(QLatin1String(kPartKeys[k]));
            qint64 n = 0;
            if (!v.isUndefined() && !wholeNumber(v, std::numeric_limits<qint32>::min(),
                                                 std::numeric_limits<qint32>::max(), &n))
                return fail(error, QStringLiteral("PartRanges[%1].%2 is not a Long")
                                       .arg(i)
                                       .arg(QLatin1String(kPartKeys[k])));
            *targets[k] = qint32(n);
        }
    }
    return true;
}

bool readField(const JobField &f, const QJsonValue &v, DownJobRecord &job, QString *error) {
    const QString name = QLatin1String(f.name);
    qint64 n = 0;
    switch (f.kind) {
    case JobField::Text:
        if (!v.isString()) return fail(error, QStringLiteral("%1 must be a string").arg(name));
        job.*f.text = v.toString();
        return true;
    case JobField::Int16:
        if (!wholeNumber(v, -32768, 32767, &n))
            return fail(error, QStringLiteral("%1 must be an Integer (-32768..32767)").arg(name));
        job.*f.int16 = qint16(n);
        return true;
    case JobField::Port:
        if (!wholeNumber(v, 0, 65535, &n))
            return fail(error, QStringLiteral("%1 must be a port number (0..65535)").arg(name));
        job.*f.int16 = qint16(quint16(n));
        return true;
    case JobField::Int32:
        if (!wholeNumber(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(),
                         &n))
            return fail(error, QStringLiteral("%1 must be a Long").arg(name));
        job.*f.int32 = qint32(n);
        return true;
    case JobField::Date:
    case JobField::Single:
        if (!v.isDouble() && !v.isNull())
            return fail(error, QStringLiteral("%1 must be a number").arg(name));
        if (f.kind == JobField::Date)
            job.*f.date = v.toDouble();
        else
            job.AverageSpeed = float(v.toDouble());
        return true;
    case JobField::Parts:
        return readPartRanges(v, job, error);
    }
    return true;
}
} // namespace

JsonOut jobToJson(const DownJobRecord &job) {
    JsonOut out = JsonOut::object();
    for (const JobField &f : kJobFields) {
        const QString name = QLatin1String(f.name);
        switch (f.kind) {
        case JobField::Text:
            out.insert(name, JsonOut::string(job.*f.text));
            break;
        case JobField::Int16:
            out.insert(name, JsonOut::integer(job.*f.int16));
            break;
        case JobField::Port:
            out.insert(name, JsonOut::integer(quint16(job.*f.int16)));
            break;
        case JobField::Int32:
            out.insert(name, JsonOut::integer(job.*f.int32));
            break;
        case JobField::Date:
            out.insert(name, JsonOut::number(job.*f.date));
            break;
        case JobField::Single:
            out.insert(name, JsonOut::number(job.AverageSpeed));
            break;
        case JobField::Parts:
            out.insert(name, partRangesToJson(job));
            break;
        }
    }
    return out;
}

JsonOut databaseToJson(const CategoryStore &tree, const JobTable &jobs) {
    JsonOut categories = JsonOut::array();
    QSet<const CategoryStore::Node *> below{tree.find(TreeKey::Downloaded)};
    below.remove(nullptr);
    for (const CategoryStore::Node *node : tree.preOrder()) {
        // Pre-order: a node's parent was seen before the node.
        if (!node->parent || !below.contains(node->parent)) continue;
        below.insert(node);
        categories.append(
            JsonOut::object()
                .insert(QStringLiteral("ParentKey"), JsonOut::string(node->parent->key))
                .insert(QStringLiteral("Key"), JsonOut::string(node->key))
                .insert(QStringLiteral("Name"), JsonOut::string(node->text))
                .insert(QStringLiteral("Folder"), JsonOut::string(node->tag)));
    }
    JsonOut list = JsonOut::array();
    for (int i = 1; i <= jobs.DownCount(); ++i)
        list.append(jobToJson(jobs[i]));
    return JsonOut::object()
        .insert(QStringLiteral("categories"), categories)
        .insert(QStringLiteral("jobs"), list);
}

bool jobFromJson(const QJsonObject &object, DownJobRecord &job, QString *error) {
    job = DownJobRecord();
    QSet<QString> known;
    for (const JobField &f : kJobFields) {
        const QString name = QLatin1String(f.name);
        known.insert(name);
        const QJsonValue v = object.value(name);
        if (!v.isUndefined() && !readField(f, v, job, error)) return false;
    }
    for (auto it = object.begin(); it != object.end(); ++it)
        if (!known.contains(it.key()))
            return fail(error, QStringLiteral("unknown field \"%1\"").arg(it.key()));
    return true;
}

bool databaseFromJson(const QByteArray &json, CategoryStore &tree, JobTable &jobs, QString *error) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject())
        return fail(error, parseError.error != QJsonParseError::NoError
                               ? QStringLiteral("not JSON: %1 at offset %2")
                                     .arg(parseError.errorString())
                                     .arg(parseError.offset)
                               : QStringLiteral("the document is not a JSON object"));
    const QJsonObject root = doc.object();
    const QJsonValue categories = root.value(QLatin1String("categories"));
    const QJsonValue jobList = root.value(QLatin1String("jobs"));
    if ((!categories.isUndefined() && !categories.isArray()) ||
        (!jobList.isUndefined() && !jobList.isArray()))
        return fail(error, QStringLiteral("\"categories\" and \"jobs\" must be arrays"));
    const QJsonArray cats = categories.toArray();
    for (int i = 0; i < cats.size(); ++i) {
        const QJsonObject c = cats[i].toObject();
        QString texts[4];
        for (int k = 0; k < 4; ++k) {
            const QJsonValue v = c.value(QLatin1String(kCategoryKeys[k]));
            if (!cats[i].isObject() || (!v.isUndefined() && !v.isString()))
                return fail(error,
                            QStringLiteral("category %1: fields must be strings").arg(i + 1));
            texts[k] = v.toString();
        }
        if (!tree.addNode(texts[0], texts[1], texts[2], QStringLiteral("5"), QStringLiteral("6"),
                          texts[3]))
            return fail(error, QStringLiteral("category %1 (\"%2\"): unknown parent \"%3\" or "
                                              "empty or repeated key")
                                   .arg(i + 1)
                                   .arg(texts[1], texts[0]));
    }
    const QJsonArray list = jobList.toArray();
    for (int i = 0; i < list.size(); ++i) {
        DownJobRecord job;
        QString why;
        if (!list[i].isObject() || !jobFromJson(list[i].toObject(), job, &why))
            return fail(error, QStringLiteral("job %1: %2")
                                   .arg(i + 1)
                                   .arg(why.isEmpty() ? QStringLiteral("not an object") : why));
        if (jobs.add(job) == 0)
            return fail(error, QStringLiteral("more than %1 jobs").arg(JobTable::kMaxJobs));
    }
    return true;
}
