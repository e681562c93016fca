#pragma once

#include "base/HostPort.h"

#include <QString>

// Where the update check and the home-page entries go: build settings
// (MQ_UPDATE_HOST, MQ_HOME_PAGE), the update server overridable with the
// environment variable MOORQUILL_UPDATE_SERVER=[https://]HOST[:PORT].
namespace UpdateConfig {
// Reads "[https://]HOST[:PORT]" (port 80, or 443 with https://); false
// when it is not that.
bool ParseServer(const QString &text, HostPort *server, bool *tls);
HostPort UpdateServer();
// The update server is asked over TLS (written "https://HOST[:PORT]").
bool UpdateServerTls();
QString HomePage();
} // namespace UpdateConfig
