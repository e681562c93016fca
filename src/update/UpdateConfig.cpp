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

HostPort UpdateConfig::UpdateServer() {
    QString text = serverSetting();
    const bool tls = text.startsWith(kTlsScheme);
    if (tls) text = text.mid(kTlsScheme.size());
    HostPort server{QStringLiteral(MQ_UPDATE_HOST), quint16(tls ? 443 : 80)};
    HostPort::Parse(text, server.port, server);
    return server;
}

bool UpdateConfig::UpdateServerTls() {
    return serverSetting().startsWith(kTlsScheme);
}

QString UpdateConfig::HomePage() {
    return QStringLiteral(MQ_HOME_PAGE);
}
