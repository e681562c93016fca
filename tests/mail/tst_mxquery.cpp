// The MX lookup: the query bytes, the answer walk over crafted and hostile
// replies, the DNS configuration, and lookups against a scripted responder
// and dnsmasq (`mq mx` is tested with the other mq commands).
#include "common/DnsResponder.h"
#include "common/HelperProcess.h"
#include "common/TestFiles.h"
#include "mail/DnsMessage.h"
#include "mail/MxQueryError.h"
#include "mail/modMXQuery.h"
#include "platform/RegistryStore.h"

#include <QTemporaryDir>
#include <QtTest>

using Record = DnsResponder::Record;
Q_DECLARE_METATYPE(QVector<MxEntry>)
Q_DECLARE_METATYPE(DnsResponder::Script)

namespace {
const QString kDomain = QStringLiteral("example.test");

QByteArray replyFor(const QString &domain, const QVector<Record> &records) {
    return DnsResponder::reply(DnsMessage::MxQueryPacket(domain), records);
}
// An MX record naming `name`, or holding the raw name bytes `raw`.
Record rec(quint16 preference, const char *name) {
    return {15, preference, DnsResponder::labels(QLatin1String(name))};
}
Record raw(quint16 preference, const QByteArray &raw) {
    return {15, preference, raw};
}
QString hostsText(const QVector<MxEntry> &hosts) {
    QStringList parts;
    for (const MxEntry &e : hosts)
        parts.append(e.host + QLatin1Char('/') + QString::number(e.preferenceNumber()));
    return parts.join(QLatin1Char(' '));
}
} // namespace

class TestMxQuery : public QObject {
    Q_OBJECT
private slots:
    void queryPacket_bytes_data() {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray head("\x11\xDF\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00", 12);
        const QByteArray tail("\x00\x0F\x00\x01", 4);
        QTest::newRow("two labels")
            << "example.test" << head + QByteArray("\x07\x65xample\x04test\x00", 14) + tail;
        QTest::newRow("trailing dot")
            << "a.bc." << head + QByteArray("\x01\x61\x02\x62\x63\x00", 6) + tail;
        QTest::newRow("empty label") << "a..bc" << QByteArray();
        QTest::newRow("label of 64") << QString(64, QLatin1Char('x')) + ".test" << QByteArray();
    }

    void queryPacket_bytes() {
        QFETCH(QString, domain);
        QFETCH(QByteArray, expected);
        const QByteArray packet = DnsMessage::MxQueryPacket(domain);
        QCOMPARE(packet.toHex(' '), expected.toHex(' '));
    }

    // The hosts by preference; the best is the first of them.
    void parse_answers_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("hosts");
        const auto row = [](const char *tag, const QVector<Record> &records, const char *hosts) {
            QTest::newRow(tag) << replyFor(kDomain, records) << QString(hosts);
        };
        row("20 and 10", {rec(20, "mx20.example.test"), rec(10, "mx10.example.test")},
            "mx10.example.test/10 mx20.example.test/20");
        row("equal preferences keep order",
            {rec(5, "b.example.test"), rec(5, "a.example.test"), rec(1, "c.example.test")},
            "c.example.test/1 b.example.test/5 a.example.test/5");
        row("equal best is the first", {rec(5, "first.test"), rec(5, "second.test")},
            "first.test/5 second.test/5");
        // "mx1" followed by a pointer to the question name at offset 12.
        row("pointer-ended then full name",
            {raw(10, QByteArray("\x03mx1\xC0\x0C", 6)), rec(20, "mx2.other.test")},
            "mx1.example.test/10 mx2.other.test/20");
        row("whole name is a pointer", {raw(30, QByteArray("\xC0\x0C", 2)), rec(40, "z.test")},
            "example.test/30 z.test/40");
        row("CNAME first", {Record{5, 0, DnsResponder::labels("alias.test")}, rec(10, "mx.test")},
            "");
        row("MX then A stops",
            {rec(10, "mx.test"), Record{1, 0, QByteArray("\x7f\0\0\1", 4)}, rec(1, "late.test")},
            "mx.test/10");
        row("preference above 32767", {rec(65535, "low.test"), rec(10, "high.test")},
            "high.test/10 low.test/65535");
        row("empty exchange skipped", {raw(1, QByteArray(1, '\0')), rec(2, "mx.test")},
            "mx.test/2");
        // Hostile replies: each ends the walk without reading outside the buffer.
        row("pointer into the header", {rec(10, "ok.test"), raw(5, QByteArray("\xC0\x00", 2))},
            "ok.test/10");
        QByteArray loop = replyFor(kDomain, {raw(10, QByteArray("\x01x\xC0\x00", 4))});
        loop[int(loop.size()) - 1] = char(loop.size() - 4); // the pointer points at its own name
        QTest::newRow("pointer loop") << loop << "";
        QByteArray longName;
        for (int i = 0; i < 5; ++i)
            longName += char(63) + QByteArray(63, 'a');
        row("name over 255", {raw(1, longName + '\0')}, "");
        row("pointer byte 0xC1", {raw(1, QByteArray("\xC1\x0C", 2))}, "");
        QByteArray tooMany = replyFor(kDomain, {rec(10, "only.test")});
        tooMany[7] = char(9); // nine answers announced, one present
        QTest::newRow("answer count too large") << tooMany << "only.test/10";
        QTest::newRow("header only") << QByteArray("\x11\xDF\x81\x80\0\1\0\1\0\0\0\0", 12) << "";
    }

    void parse_answers() {
        QFETCH(QByteArray, reply);
        const MxAnswer answer = DnsMessage::ParseMxAnswers(reply);
        QTEST(QString(hostsText(answer.hosts)), "hosts");
        QCOMPARE(QString(answer.best), answer.hosts.isEmpty() ? QString() : answer.hosts[0].host);
    }

    void parse_everyCutOfAReply_staysInside() {
        const QByteArray reply = replyFor(
            kDomain, {raw(10, QByteArray("\x03mx1\xC0\x0C", 6)), rec(20, "mx2.other.test")});
        for (int size = 0; size <= reply.size(); ++size) {
            // A copy of exactly `size` bytes, so a read past its end is caught by the sanitizer.
            const QByteArray cut(reply.constData(), size);
            const MxAnswer answer = DnsMessage::ParseMxAnswers(cut);
            QVERIFY(answer.hosts.size() <= 2);
            if (size < reply.size())
                QVERIFY2(answer.hosts.size() < 2, qPrintable(QString::number(size)));
        }
    }

    void resolvConf_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("servers");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("base");
        const auto row = [](const char *tag, const QString &text, const QStringList &servers,
                            const QString &domain, const QString &base) {
            QTest::newRow(tag) << text << servers << domain << base;
        };
        row("domain line",
            "# generated\nnameserver 10.0.0.1\nnameserver\t10.0.0.2 \ndomain corp.example.test\n",
            {"10.0.0.1", "10.0.0.2"}, "corp.example.test", "example.test");
        row("first search entry", "search one.test two.test\nnameserver ::1\n", {"::1"}, "one.test",
            "one.test");
        row("domain wins over search", "search s.test\ndomain d.test\n", {}, "d.test", "d.test");
        row("comments and no dot", "; x\nnameserver 1.1.1.1 # note\ndomain local\n", {"1.1.1.1"},
            "local", "local");
        row("empty", "", {}, "", "");
    }

    void resolvConf() {
        QFETCH(QString, text);
        QFETCH(QString, domain);
        const modMXQuery::ResolvConf conf = modMXQuery::ParseResolvConf(text);
        QTEST(QStringList(conf.servers), "servers");
        QCOMPARE(conf.domain, domain);
        QTEST(QString(modMXQuery::BaseDomainOf(conf.domain)), "base");
    }

    void getDnsInfo_registryFallback() {
        RegistryStore store(m_dir.filePath(QStringLiteral("registry.json")));
        const QString tcpip =
            QStringLiteral("SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters");
        QVERIFY(store.writeString("HKEY_LOCAL_MACHINE", tcpip, "NameServer", "10.1.1.1 10.1.1.2"));
        QVERIFY(store.writeString("HKEY_LOCAL_MACHINE", tcpip, "Domain", "a.example.test"));
        QVERIFY(store.writeString("HKEY_LOCAL_MACHINE", tcpip, "DHCPDomain", "b.dhcp.test"));
        modMXQuery mx;
        mx.resolvConfPath = m_dir.filePath(QStringLiteral("missing.conf"));
        mx.registryRead = [&store](const QString &key, const QString &value) {
            return store.readString(QStringLiteral("HKEY_LOCAL_MACHINE"), key.toUpper(), value);
        };
        mx.GetDnsInfo();
        QCOMPARE(mx.DnsServers, (QStringList{"10.1.1.1", "10.1.1.2"}));
        QCOMPARE(mx.DnsCount, 2);
        QCOMPARE(mx.LocalDomain, QStringLiteral("b.dhcp.test"));
        QCOMPARE(mx.BaseDomain, QStringLiteral("dhcp.test"));

        // resolv.conf servers stay when only its domain is missing; the registry gives the domain.
        QVERIFY(writeFileBytes(m_dir.filePath("resolv.conf"), "nameserver 127.0.0.9\n"));
        mx.resolvConfPath = m_dir.filePath("resolv.conf");
        store.writeString("HKEY_LOCAL_MACHINE", tcpip, "NameServer", "");
        mx.GetDnsInfo();
        QCOMPARE(mx.DnsServers, QStringList{"127.0.0.9"});
        QCOMPARE(mx.LocalDomain, QStringLiteral("b.dhcp.test"));
    }

    void lookup_scriptedServer_data() {
        QTest::addColumn<DnsResponder::Script>("script");
        QTest::addColumn<QString>("best");
        QTest::addColumn<int>("count");
        const QVector<Record> two{rec(20, "mx20.example.test"), rec(10, "mx10.example.test")};
        QTest::newRow("reply from another port ignored")
            << DnsResponder::Script{replyFor(kDomain, two),
                                    replyFor(kDomain, {rec(0, "evil.test")}), false}
            << "mx10.example.test" << 2;
        QTest::newRow("truncated reply")
            << DnsResponder::Script{replyFor(kDomain, two).left(40), {}, false} << "" << 0;
    }

    void lookup_scriptedServer() {
        QFETCH(DnsResponder::Script, script);
        QFETCH(QString, best);
        DnsResponder server;
        server.setScript(kDomain, script);
        modMXQuery mx = lookupVia(server, QStringLiteral("local.test"));
        QCOMPARE(mx.MXQuery(kDomain), best);
        QCOMPARE(mx.BestMx, best);
        QTEST(int(mx.MxCount), "count");
        QCOMPARE(server.queries.size(), 1);
        QCOMPARE(server.queries.first(), DnsMessage::MxQueryPacket(kDomain));
    }

    void lookup_parentDomainRetry() {
        DnsResponder server;
        server.setScript(kDomain, {replyFor(kDomain, {rec(10, "mx.example.test")}), {}, false});
        modMXQuery mx = lookupVia(server, QStringLiteral("office.example.test"));
        QCOMPARE(mx.MXQuery(QStringLiteral("deep.sub.example.test")),
                 QStringLiteral("mx.example.test"));
        QCOMPARE(server.askedNames(),
                 (QStringList{"deep.sub.example.test", "sub.example.test", "example.test"}));
        QCOMPARE(mx.QueryDomain, kDomain);

        // A domain outside the machine's own is not retried.
        server.queries.clear();
        QCOMPARE(mx.MXQuery(QStringLiteral("www.elsewhere.test")), QString());
        QCOMPARE(server.askedNames(), QStringList{"www.elsewhere.test"});
    }

    void lookup_errors() {
        DnsResponder server;
        server.setScript(QStringLiteral("quiet.test"), {{}, {}, true});
        modMXQuery mx = lookupVia(server);
        mx.receiveTimeoutMs = 300;
        const std::pair<const char *, const char *> cases[] = {
            {"a.bc", "No Valid Domain Specified"},
            {"a..bcdef", "No Valid Domain Specified"},
            {"quiet.test", "Problem receiving MX query"}};
        for (const auto &[domain, description] : cases) {
            try {
                mx.MXQuery(QLatin1String(domain));
                QFAIL(domain);
            } catch (const MxQueryError &error) {
                QCOMPARE(error.number(), 20000);
                QCOMPARE(error.source(), QStringLiteral("MXQuery"));
                QCOMPARE(error.description(), QLatin1String(description));
            }
        }
        QCOMPARE(server.askedNames(), QStringList{"quiet.test"}); // nothing sent for bad names
    }

    void lookup_noServer_asksEveryTime() {
        modMXQuery mx;
        mx.resolvConfPath = m_dir.filePath(QStringLiteral("none.conf"));
        int asked = 0;
        mx.askDnsServer = [&asked] {
            ++asked;
            return QString();
        };
        QCOMPARE(mx.MXQuery(kDomain), QString());
        QCOMPARE(mx.MXQuery(kDomain), QString());
        QCOMPARE(asked, 2);

        DnsResponder server;
        server.setScript(kDomain, {replyFor(kDomain, {rec(1, "typed.test")}), {}, false});
        mx.askDnsServer = [&server] { return server.server(); };
        QCOMPARE(mx.MXQuery(kDomain), QString()); // a port is not for the window's lookup
        QVERIFY(server.queries.isEmpty());
        mx.serverPortAllowed = true;
        QCOMPARE(mx.MXQuery(kDomain), QStringLiteral("typed.test"));
        QCOMPARE(mx.DnsServers, QStringList{server.server()});
    }

    void lookup_dnsmasq() {
        HelperProcess dnsmasq;
        const quint16 port = HelperProcess::freePort();
        QString error;
        if (HelperProcess::find(QStringLiteral("dnsmasq")).isEmpty())
            QSKIP("dnsmasq is not installed");
        QVERIFY2(startDnsmasq(dnsmasq, port,
                              {"mail.test,mx-b.mail.test,20", "mail.test,mx-a.mail.test,10"},
                              &error),
                 qPrintable(error));
        modMXQuery mx;
        mx.DnsServers = {QStringLiteral("127.0.0.1:%1").arg(port)};
        mx.DnsCount = 1;
        mx.serverPortAllowed = true;
        QCOMPARE(mx.MXQuery(QStringLiteral("mail.test")), QStringLiteral("mx-a.mail.test"));
        QCOMPARE(hostsText(mx.MxHosts), QStringLiteral("mx-a.mail.test/10 mx-b.mail.test/20"));
    }

private:
    // A lookup through `server` alone, the machine's domain `localDomain`.
    modMXQuery lookupVia(const DnsResponder &server, const QString &localDomain = kDomain) {
        modMXQuery mx;
        mx.resolvConfPath = m_dir.filePath(QStringLiteral("resolv-%1.conf").arg(server.port()));
        writeFileBytes(mx.resolvConfPath, "nameserver " + server.server().toLatin1() + "\ndomain " +
                                              localDomain.toLatin1() + "\n");
        mx.receiveTimeoutMs = 2000;
        mx.serverPortAllowed = true;
        return mx;
    }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestMxQuery)
#include "tst_mxquery.moc"
