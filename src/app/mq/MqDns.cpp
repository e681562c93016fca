#include "app/mq/MqDns.h"

#include "mail/modMXQuery.h"

void setUpDnsServer(modMXQuery &mx, const QString &option) {
    const QString server =
        !option.isEmpty() ? option : qEnvironmentVariable("MOORQUILL_DNS_SERVER").trimmed();
    if (server.isEmpty()) return;
    mx.GetDnsInfo(); // the local domain still comes from resolv.conf
    mx.DnsServers = QStringList{server};
    mx.DnsCount = 1;
    mx.serverPortAllowed = true;
}
