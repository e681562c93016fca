#pragma once

#include <QByteArray>
#include <QString>

// The "system ANSI code page" of the program's own files (job database,
// settings, download lists): Windows-1252. Characters it cannot hold become '?'.
namespace Cp1252 {
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
} // namespace Cp1252
