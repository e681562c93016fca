#pragma once

#include <QByteArray>
#include <QString>

// Whole-file helpers for tests: the file's bytes (empty when it cannot be
// read), and writing bytes (a failure fails the test's QVERIFY via the result).
QByteArray readFileBytes(const QString &path);
bool writeFileBytes(const QString &path, const QByteArray &bytes);
