#pragma once

#include "mail/DnsMessage.h"

#include <QString>
#include <QStringList>
#include <functional>

// The DNS MX lookup: finds the machine's DNS servers and domain once, sends
// one MX query over UDP to the first server and reads its answer. The wait
// for the reply runs a local event loop on the datagram socket (the window
// keeps painting) and ends after `receiveTimeoutMs`. Errors are thrown as
// MxQueryError.
class modMXQuery {
public:
    // The servers and domain of a resolv.conf text: `nameserver` lines in
    // order; the `domain` line, else the first `search` entry.
    struct ResolvConf {
        QStringList servers;
        QString domain;
    };
    static ResolvConf ParseResolvConf(const QString &text);

    // BaseDomain of a domain: its last two labels, or all of it without a dot.
    static QString BaseDomainOf(const QString &localDomain);

    // Fills DnsServers, DnsCount, LocalDomain, BaseDomain from resolv.conf,
    // with the registry store's values as the fallback.
    void GetDnsInfo();

    // The best mail exchanger of `domain` ("" when none was found).
    QString MXQuery(const QString &domain);

    // Module state.
    QStringList DnsServers;
    int DnsCount = 0;
    QString LocalDomain;
    QString BaseDomain;
    QString QueryDomain;
    QVector<MxEntry> MxHosts;
    int MxCount = 0;
    QString BestMx;

    // Where GetDnsInfo looks.
    QString resolvConfPath = QStringLiteral("/etc/resolv.conf");
    // RegReadString(HKEY_LOCAL_MACHINE, key, value): the fallback source.
    std::function<QString(const QString &key, const QString &value)> registryRead;
    // Asked when no DNS server is known; "" gives up the lookup.
    std::function<QString()> askDnsServer;
    int receiveTimeoutMs = 5000;
    // Whether a server may be written HOST:PORT (`mq` and tests); otherwise
    // a server with a port other than 53 counts as one that cannot be resolved.
    bool serverPortAllowed = false;

private:
    QByteArray exchange(const QString &server, const QByteArray &query);
};
