#pragma once

#include <QString>

struct DownJobRecord;

// The file name a server gives with "Content-Disposition", made safe to use
// inside the job's folder.
namespace ServerFileName {

// The name of a Content-Disposition value (the header's bytes as Latin-1
// text): "filename*" (charset'language'percent-encoded, any charset Qt
// decodes) before "filename" (quoted or not; UTF-8 bytes read as UTF-8).
// Empty when neither gives a usable name.
QString FromContentDisposition(const QString &value);

// `name` as one file name: its last path segment, without control
// characters and leading dots, trailing dots and spaces, cut to 255 bytes
// of UTF-8 (the extension kept). Empty when nothing usable remains.
QString Sanitized(const QString &name);

// Whether the job's file is named after its URL's last segment (with or
// without its query, percent-encoded or not), i.e. neither typed by the user
// nor given on the command line.
bool NamedAfterUrl(const DownJobRecord &job);

} // namespace ServerFileName
