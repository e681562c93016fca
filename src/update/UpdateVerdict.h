#pragma once

#include <QByteArray>
#include <QString>

// The reading of the update file's answer: a pure function over the bytes
// received, so it is tested (and fuzzed) without a socket.
struct UpdateVerdict {
    bool complete = false; // a header separator was found
    bool newer = false;    // a newer version with a usable download address
    QString label;         // the text Label1 shows afterwards
    QString downSite;      // the address behind "DownSite:", CR LF removed, trimmed
};

namespace UpdateText {
// Label texts of the check.
QString connecting();    // "Connect to the internet..."
QString connected();     // "Connect Success!"
QString checkComplete(); // "Check Complete."

// Evaluates everything received for `appVersion` (the running version).
UpdateVerdict Evaluate(const QByteArray &response, const QString &appVersion);
// The number a version text reads as, held as a single-precision number:
// the leading number of the first 10 characters, ended by a line break.
float VersionNumber(const QString &text);
// The shortest decimal text that reads back as the same single-precision number.
QString ShortestText(float value);
// Whether a download address is an http(s) URL with a host.
bool IsDownloadUrl(const QString &url);
} // namespace UpdateText
