#pragma once

#include <QString>

class modMXQuery;

// The DNS server of `mq mx` and `mq mail`: --dns, else $MOORQUILL_DNS_SERVER
// (HOST[:PORT]), else what resolv.conf names. Nobody is asked to type one.
void setUpDnsServer(modMXQuery &mx, const QString &option);
