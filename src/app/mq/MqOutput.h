#pragma once

#include <QByteArray>
#include <QString>

struct JobLogEntry;

// JSON-lines output shared by the commands that download.

// A JSON string literal for `text`.
QByteArray jsonString(const QString &text);
// Writes one line to stdout and flushes it.
void printLine(const QByteArray &line);
// A job log line as JSON: {"part":1,"icon":100,"text":"..."}.
QByteArray logLineJson(const JobLogEntry &entry);
