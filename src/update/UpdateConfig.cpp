#include "update/UpdateConfig.h"

#ifndef MQ_UPDATE_HOST
#define MQ_UPDATE_HOST "update.moorquill.example"
#endif
#ifndef MQ_HOME_PAGE
#define MQ_HOME_PAGE "http://www.moorquill.example/"
#endif

namespace {
const QString kTlsScheme = QStringLiteral("https://");

// The setting in force: the environment's, else the build's.
QString serverSetting() {
    const QString fromEnv = qEnvironmentVariable("MOORQUILL_UPDATE_SERVER");
    return fromEnv.isEmpty() ? QStringLiteral(MQ_UPDATE_HOST) : fromEnv;
}
} // namespace

bool UpdateConfig::ParseServer(const QString &text, HostPort *server, bool *tls) {
    *tls = text.startsWith(kTlsScheme);
    return HostPort::Parse(*tls ? text.mid(kTlsScheme.size()) : text, *tls ? 443 : 80, *server);
}

HostPort UpdateConfig::UpdateServer() {
    HostPort server{QStringLiteral(MQ_UPDATE_HOST), 80};
    bool tls = false;
    if (!ParseServer(serverSetting(), &server, &tls)) server.port = tls ? 443 : 80;
    return server;
}

bool UpdateConfig::UpdateServerTls() {
    return serverSetting().startsWith(kTlsScheme);
}

QString UpdateConfig::HomePage() {
    return QStringLiteral(MQ_HOME_PAGE);
}
