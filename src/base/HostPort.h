#pragma once

#include <QString>

// A server written "HOST[:PORT]". A text with more than one ":" (an IPv6
// address) is all host. False when the host is empty or the port is not a
// number from 1 to 65535.
struct HostPort {
    QString host;
    quint16 port = 0;
    static bool Parse(const QString &text, quint16 defaultPort, HostPort &into);
};
