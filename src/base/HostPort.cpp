#include "base/HostPort.h"

bool HostPort::Parse(const QString &text, quint16 defaultPort, HostPort &into) {
    HostPort result;
    result.host = text.trimmed();
    result.port = defaultPort;
    const int colon = int(result.host.lastIndexOf(QLatin1Char(':')));
    if (colon >= 0 && result.host.count(QLatin1Char(':')) == 1) {
        bool ok = false;
        const uint port = result.host.mid(colon + 1).toUInt(&ok);
        if (!ok || port < 1 || port > 65535) return false;
        result.port = quint16(port);
        result.host.truncate(colon);
    }
    if (result.host.isEmpty()) return false;
    into = result;
    return true;
}
