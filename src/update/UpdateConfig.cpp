#include "update/UpdateConfig.h"

#ifndef MQ_UPDATE_HOST
#define MQ_UPDATE_HOST "update.moorquill.example"
#endif
#ifndef MQ_HOME_PAGE
#define MQ_HOME_PAGE "http://www.moorquill.example/"
#endif

HostPort UpdateConfig::UpdateServer() {
    HostPort server{QStringLiteral(MQ_UPDATE_HOST), 80};
    const QString fromEnv = qEnvironmentVariable("MOORQUILL_UPDATE_SERVER");
    if (!fromEnv.isEmpty()) HostPort::Parse(fromEnv, 80, server);
    return server;
}

QString UpdateConfig::HomePage() {
    return QStringLiteral(MQ_HOME_PAGE);
}
