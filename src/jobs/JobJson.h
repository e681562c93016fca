#pragma once

#include "base/JsonOut.h"
#include "jobs/CategoryStore.h"
#include "jobs/DownJobRecord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

class JobTable;

// The job database as JSON:
// {"categories":[{"ParentKey","Key","Name","Folder"}...],"jobs":[{...}...]}.
// A job object has the record's 32 fields under their own names: texts as
// strings, numbers and flags as numbers, ports as their unsigned value, dates
// as day counts, PartRanges as 10 objects {"StartPos","Pos","EndPos"}.

JsonOut jobToJson(const DownJobRecord &job);
// Categories below "Downloaded" in pre-order, then the jobs in table order.
JsonOut databaseToJson(const CategoryStore &tree, const JobTable &jobs);

// Missing fields stay zero or empty. False (with *error) for a field of the
// wrong type, a number out of its field's range or an unknown field name.
bool jobFromJson(const QJsonObject &object, DownJobRecord &job, QString *error);
// Adds the categories to the tree (below "Downloaded" or one another, parents
// first) and the jobs to the table.
bool databaseFromJson(const QByteArray &json, CategoryStore &tree, JobTable &jobs, QString *error);
