#pragma once

// Compares the fields a test names with a job, through the job's JSON form,
// instead of one comparison per field.
#include "jobs/JobJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QtTest>

// The named fields of `expected` (a JSON object, single quotes allowed for
// double ones) that `got` holds otherwise, one "Field: got X, want Y" each;
// empty when all match.
inline QString fieldDiff(const QJsonObject &got, QByteArray expected) {
    const QJsonObject want = QJsonDocument::fromJson(expected.replace('\'', '"')).object();
    if (want.isEmpty()) return QStringLiteral("not a JSON object: ") + QString::fromUtf8(expected);
    const auto text = [](const QJsonValue &v) {
        return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact));
    };
    QStringList diff;
    for (auto it = want.begin(); it != want.end(); ++it)
        if (got.value(it.key()) != it.value())
            diff << it.key() + ": got " + text(got.value(it.key())) + ", want " + text(it.value());
    return diff.join(QStringLiteral("; "));
}
inline QString fieldDiff(const DownJobRecord &job, const QByteArray &expected) {
    return fieldDiff(QJsonDocument::fromJson(jobToJson(job).toJson()).object(), expected);
}

#define COMPARE_FIELDS(got, expected)                                                              \
    do {                                                                                           \
        const QString diff_ = fieldDiff(got, expected);                                            \
        QVERIFY2(diff_.isEmpty(), qPrintable(diff_));                                              \
    } while (false)
