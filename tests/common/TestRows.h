#pragma once

#include <QTest>

// One row of a data table: its tag, then a value for each column in order.
// A braced list needs its type named (QStringList{...}).
template <typename... Values> void row(const char *tag, const Values &...values) {
    (QTest::newRow(tag) << ... << values);
}
