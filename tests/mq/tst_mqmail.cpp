// `mq mx` and `mq mail` against our scripted DNS responder and SMTP sink.
#include "common/DnsResponder.h"
#include "common/MqRunner.h"
#include "common/SmtpSink.h"
#include "common/TestFiles.h"
#include "mail/DnsMessage.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kFrom = QStringLiteral("me@home.test");
const QString kTo = QStringLiteral("friend@sink.test");

DnsResponder::Script mxReply(const QString &domain, const QVector<DnsResponder::Record> &records) {
    return {DnsResponder::reply(DnsMessage::MxQueryPacket(domain), records), {}, false};
}
} // namespace

class TestMqMail : public QObject {
    Q_OBJECT
private slots:
    void mxPrintsHostsAndStatus() {
        DnsResponder server;
        server.setScript(
            "example.test",
            mxReply("example.test", {{15, 20, DnsResponder::labels("mx2.example.test")},
                                     {15, 10, DnsResponder::labels("mx1.example.test")}}));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MOORQUILL_DNS_SERVER"), server.server());
        MqRunner found;
        QCOMPARE(found.run({"mx", "example.test"}, env), 0);
        QCOMPARE(found.out().trimmed(),
                 QByteArray(R"({"best":"mx1.example.test","hosts":[{"host":"mx1.example.test",)"
                            R"("preference":10},{"host":"mx2.example.test","preference":20}]})"));
        MqRunner none;
        QCOMPARE(none.run({"mx", "nomx.test", "--dns", server.server()}), 2);
        QCOMPARE(none.out().trimmed(), QByteArray(R"({"best":"","hosts":[]})"));
        MqRunner bad;
        QCOMPARE(bad.run({"mx", "a.bc", "--dns", server.server()}), 1);
        QVERIFY(bad.err().contains("No Valid Domain Specified"));
    }

    void mailPrintsStatusLines() {
        DnsResponder dns;
        SmtpSink sink;
        dns.setScript("sink.test",
                      mxReply("sink.test", {{15, 10, DnsResponder::labels("127.0.0.1")}}));
        QTemporaryDir dir;
        const QString body = dir.filePath("body.txt");
        QVERIFY(writeFileBytes(body, "Line one\n.two\n"));
        const QString port = QString::number(sink.port());
        MqRunner run;
        QCOMPARE(run.run({"mail", "--from", kFrom, "--to", kTo, "--subject", "Test", "--body-file",
                          body, "--dns", dns.server(), "--smtp-port", port}),
                 0);
        const QList<QByteArray> lines = run.out().trimmed().split('\n');
        QCOMPARE(lines.first(), QByteArray("Resolve the email server address..."));
        QCOMPARE(lines.last(), QByteArray("Message send succeed"));
        QVERIFY(sink.message.contains("Subject: Test\r\n\r\nLine one\r\n..two\r\n"));
        // Nothing listens on the port any more: the greeting never comes.
        sink.close();
        MqRunner refused;
        QCOMPARE(refused.run({"mail", "--from", kFrom, "--to", kTo, "--dns", dns.server(),
                              "--smtp-port", port}),
                 2);
        QVERIFY(refused.out().endsWith("Can't connect the email server...\n"));
    }
};

QTEST_GUILESS_MAIN(TestMqMail)
#include "tst_mqmail.moc"
