#pragma once

#include "browser/HandOffMessage.h"
#include "browser/PageMovies.h"

#include <QByteArray>
#include <QString>
#include <optional>

// One message on the wire between the browser extension, the native-messaging
// host and the running program: a UTF-8 JSON object that always carries a
// "type". "handoff" carries a HandOffMessage; "show" asks the program to show
// its window; "ok" and "error" (with "message") are the replies.
//
// The page scan: the extension's long-lived port first tells its host
// "listen"; the host sends "register" (its parent process and browser) on a connection it keeps
// open; the program asks "scan" (id, window title) over it and the extension answers "scanresult"
// (the same id; the top document's "url" and its "elements", or "found": false). "scanpage" is a
// scan the user asked for in the browser's menu, handed over once like a hand-off.
struct WireMessage {
    QString type;
    HandOffMessage handOff; // filled for "handoff"
    QString message;        // the reason of an "error" reply
    qint64 pid = 0;         // "register": the host's parent process
    QString browser;        // "register", "scanpage": "chromium", "firefox", ...
    qint64 id = 0;          // "scan", "scanresult"
    QString title;          // "scan": the window title
    bool found = false;     // "scanresult", "scanpage": `page` holds a page
    PageScanResult page;    // "scanresult", "scanpage"
};

class HandOffJson {
public:
    static constexpr qsizetype MaxBytes = 1024 * 1024; // the largest message accepted
    // Limits of a scanned page: elements, characters of a tag name, of an
    // address or attribute or outer HTML, of a window title or browser name.
    static constexpr int MaxElements = 1000;
    static constexpr int MaxTagChars = 64;
    static constexpr int MaxTextChars = 16384;
    static constexpr int MaxNameChars = 64;

    // Reads one message; false with a reason for bytes that are too long, not
    // UTF-8, not a JSON object, of an unknown type or without their fields.
    static bool read(const QByteArray &bytes, WireMessage *out, QString *reason);

    static QByteArray write(const HandOffMessage &message);
    static QByteArray show();
    static QByteArray ok();
    static QByteArray error(const QString &message);
    static QByteArray registerPort(qint64 pid, const QString &browser);
    static QByteArray scanRequest(qint64 id, const QString &title);
    // "scanresult" with the page, or with "found": false.
    static QByteArray scanResult(qint64 id, const std::optional<PageScanResult> &page);
    // "scanpage" with the page and page.browser.
    static QByteArray scanPage(const PageScanResult &page);

private:
    static bool readInto(const QByteArray &bytes, WireMessage *out, QString *reason);
};
