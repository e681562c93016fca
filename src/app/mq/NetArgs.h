#pragma once

#include "app/mq/ArgCursor.h"
#include "app/mq/MqCommand.h"
#include "engine/PartTransport.h"

// --ca-file FILE (one more trusted certificate authority), read from
// `cursor` right after the option: 0, or the status of a usage error.
inline int takeCaFile(ArgCursor &cursor, const QString &command) {
    QString value, error = QStringLiteral("needs a file");
    if (cursor.value(value) && PartTransport::AddCaFile(value, &error)) return 0;
    return mqFail(command + QStringLiteral(": --ca-file: ") + error);
}

// The network options that `mq get` and `mq run` share: --limit KIB (the
// speed limit) and --ca-file FILE.
struct NetArgs {
    int limit = -1; // KiB/s; -1: the setting

    // Takes option `a` when it is one of them: true with `*status` 0, or
    // with the status of a usage error; false when `a` is another option.
    bool take(const QString &a, ArgCursor &cursor, const char *command, int *status) {
        *status = 0;
        const QString name = QLatin1String(command);
        QString value;
        if (a == QLatin1String("--limit")) {
            bool ok = cursor.value(value);
            limit = ok ? value.toInt(&ok) : -1;
            if (!ok || limit < 0 || limit > 4194304)
                *status = mqFail(name + QStringLiteral(": --limit takes KiB/s from 0 to 4194304"));
            return true;
        }
        if (a == QLatin1String("--ca-file")) {
            *status = takeCaFile(cursor, name);
            return true;
        }
        return false;
    }
};
