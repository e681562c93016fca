#pragma once

#include "browser/HandOffMessage.h"

#include <QByteArray>
#include <QString>

// One message on the wire between the browser extension, the native-messaging
// host and the running program: a UTF-8 JSON object that always carries a
// "type". "handoff" carries a HandOffMessage; "show" asks the program to show
// its window; "ok" and "error" (with "message") are the replies.
struct WireMessage {
    QString type;
    HandOffMessage handOff; // filled for "handoff"
    QString message;        // the reason of an "error" reply
};

class HandOffJson {
public:
    static constexpr qsizetype MaxBytes = 1024 * 1024; // the largest message accepted

    // Reads one message; false with a reason for bytes that are too long, not
    // UTF-8, not a JSON object, of an unknown type or without their fields.
    static bool read(const QByteArray &bytes, WireMessage *out, QString *reason);

    static QByteArray write(const HandOffMessage &message);
    static QByteArray show();
    static QByteArray ok();
    static QByteArray error(const QString &message);

private:
    static bool readInto(const QByteArray &bytes, WireMessage *out, QString *reason);
};
