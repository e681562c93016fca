#include "mail/modMXQuery.h"

#include "base/HostPort.h"
#include "mail/MxQueryError.h"

#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QTimer>
#include <QUdpSocket>

modMXQuery::ResolvConf modMXQuery::ParseResolvConf(const QString &text) {
    ResolvConf conf;
    QString search;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QStringList words =
            line.section(QLatin1Char('#'), 0, 0)
                .section(QLatin1Char(';'), 0, 0)
                .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.size() < 2) continue;
        if (words[0] == QLatin1String("nameserver"))
            conf.servers.append(words[1]);
        else if (words[0] == QLatin1String("domain"))
            conf.domain = words[1];
        else if (words[0] == QLatin1String("search") && search.isEmpty())
            search = words[1];
    }
    if (conf.domain.isEmpty()) conf.domain = search;
    return conf;
}

QString modMXQuery::BaseDomainOf(const QString &localDomain) {
    const QStringList parts = localDomain.split(QLatin1Char('.'));
    if (parts.size() < 2) return localDomain;
    return parts[parts.size() - 2] + QLatin1Char('.') + parts.last();
}

void modMXQuery::GetDnsInfo() {
    QString serverText;
    QFile file(resolvConfPath);
    if (file.open(QIODevice::ReadOnly)) {
        const ResolvConf conf = ParseResolvConf(QString::fromLatin1(file.readAll()));
        for (const QString &server : conf.servers)
            serverText += server + QLatin1Char(',');
        LocalDomain = conf.domain;
    }
    if ((serverText.isEmpty() || LocalDomain.isEmpty()) && registryRead) {
        const QString mstcp = QStringLiteral("System\\CurrentControlSet\\Services\\VxD\\MSTCP");
        const QString tcpip =
            QStringLiteral("SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters");
        const char *const serverValues[][2] = {
            {"m", "NameServer"}, {"t", "NameServer"}, {"t", "DhcpNameServer"}};
        const char *const domainValues[][2] = {
            {"m", "Domain"}, {"t", "Domain"}, {"t", "DHCPDomain"}};
        for (const auto &v : serverValues) {
            const QString found = registryRead(v[0][0] == 'm' ? mstcp : tcpip, QLatin1String(v[1]));
            if (!found.isEmpty()) serverText = found + QLatin1Char(',');
        }
        for (const auto &v : domainValues) {
            const QString found = registryRead(v[0][0] == 'm' ? mstcp : tcpip, QLatin1String(v[1]));
            if (!found.isEmpty()) LocalDomain = found;
        }
    }
    serverText.replace(QLatin1Char(' '), QLatin1Char(','));
    if (serverText.endsWith(QLatin1Char(','))) serverText.chop(1);
    DnsServers = serverText.isEmpty() ? QStringList() : serverText.split(QLatin1Char(','));
    DnsCount = int(DnsServers.size());
    BaseDomain = BaseDomainOf(LocalDomain);
}

QString modMXQuery::MXQuery(const QString &domain) {
    if (DnsCount == 0) {
        GetDnsInfo();
        if (DnsCount == 0) {
            const QString entered = askDnsServer ? askDnsServer().trimmed() : QString();
            if (entered.isEmpty()) return QString();
            DnsServers = QStringList{entered};
            DnsCount = 1;
        }
    }
    MxHosts.clear();
    MxCount = 0;
    BestMx.clear();
    const QString name = domain.isEmpty() ? LocalDomain : domain;
    const QByteArray query = DnsMessage::MxQueryPacket(name);
    if (name.size() < 5 || query.isEmpty())
        throw MxQueryError(QStringLiteral("No Valid Domain Specified"));
    QueryDomain = name;

    const QByteArray reply = exchange(DnsServers.value(0), query);
    if (reply.isNull()) return QString();
    if (DnsMessage::AnswerCount(reply) != 0) {
        const MxAnswer answer = DnsMessage::ParseMxAnswers(reply);
        MxHosts = answer.hosts;
        MxCount = int(MxHosts.size());
        BestMx = answer.best;
        return BestMx;
    }
    if (!BaseDomain.isEmpty() && QueryDomain.indexOf(BaseDomain) > 0) {
        const int dot = int(QueryDomain.indexOf(QLatin1Char('.')));
        return MXQuery(QueryDomain.mid(dot + 1));
    }
    return QString();
}

// One datagram to the server and the first datagram back from its address
// and port; a null array when the server cannot be resolved or no socket
// can be had.
QByteArray modMXQuery::exchange(const QString &server, const QByteArray &query) {
    HostPort server53;
    if (!HostPort::Parse(server, 53, server53) || (server53.port != 53 && !serverPortAllowed))
        return QByteArray();
    const QString &host = server53.host;
    const quint16 port = server53.port;
    QHostAddress address(host);
    if (address.isNull()) {
        const QList<QHostAddress> found = QHostInfo::fromName(host).addresses();
        if (found.isEmpty()) return QByteArray();
        address = found.first();
    }
    QUdpSocket socket;
    if (!socket.bind(address.protocol() == QAbstractSocket::IPv6Protocol ? QHostAddress::AnyIPv6
                                                                         : QHostAddress::AnyIPv4,
                     0))
        return QByteArray();
    if (socket.writeDatagram(query, address, port) <= 0)
        throw MxQueryError(QStringLiteral("Problem sending MX query"));

    QByteArray reply;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QUdpSocket::readyRead, &loop, [&] {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket.receiveDatagram(2048);
            // Only the asked server's answer counts.
            if (datagram.senderPort() != port ||
                !datagram.senderAddress().isEqual(address, QHostAddress::TolerantConversion))
                continue;
            reply = datagram.data();
            loop.quit();
            return;
        }
    });
    timer.start(receiveTimeoutMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (reply.isEmpty()) throw MxQueryError(QStringLiteral("Problem receiving MX query"));
    return reply;
}
