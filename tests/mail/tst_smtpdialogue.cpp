// The tell-a-friend mail dialogue against a scripted SMTP server (delays,
// replies in pieces, silence) and a real SMTP server (aiosmtpd).
#include "common/DnsResponder.h"
#include "common/HelperProcess.h"
#include "common/SmtpSink.h"
#include "common/TestFiles.h"
#include "mail/DnsMessage.h"
#include "mail/SmtpDialogue.h"
#include "mail/SmtpText.h"
#include "mail/modMXQuery.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

namespace {
constexpr int kSecondMs = 50; // one second of the dialogue's waits in these tests
const QString kTo = QStringLiteral("friend@sink.test");
const QString kFrom = QStringLiteral("me@home.test");
// The message as sent: the header lines, a blank line, the text; `body` a
// pattern of the text's lines.
QRegularExpression messageShape(const char *body) {
    return QRegularExpression(QString::fromLatin1(
        QByteArray("^From: me@home.test\\r\\nDate: [^\\r\\n]+, \\d\\d [^\\r\\n]+ \\d{4} "
                   "\\d\\d:\\d\\d:\\d\\d -0600\\r\\nX-Mailer: Moorquill Mailer\\r\\n"
                   "To: friend@sink.test\\r\\nSubject: Hi, A good software - - Moorquill"
                   "\\r\\n\\r\\n") +
        body));
}
} // namespace

class TestSmtpDialogue : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_dns = std::make_unique<DnsResponder>();
        m_sink = std::make_unique<SmtpSink>();
        m_port = m_sink->port();
        const QByteArray query = DnsMessage::MxQueryPacket(QStringLiteral("sink.test"));
        const QByteArray reply =
            DnsResponder::reply(query, {{15, 10, DnsResponder::labels("127.0.0.1")}});
        m_dns->setScript(QStringLiteral("sink.test"), {reply, {}, false});
    }

    void texts_data() {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << "a\nb" << QByteArray("a\r\nb\r\n");
        QTest::newRow("dots doubled") << ".a\n.\n..b" << QByteArray("..a\r\n..\r\n...b\r\n");
        QTest::newRow("CR LF and CR kept as line ends")
            << "a\r\nb\rc" << QByteArray("a\r\nb\r\nc\r\n");
        QTest::newRow("empty") << "" << QByteArray("\r\n");
    }

    void texts() {
        QFETCH(QString, content);
        QTEST(QByteArray(SmtpText::ContentBytes(content)), "bytes");
        QVERIFY(SmtpText::ReplyHasCode("xx 250 ok", "250"));
        QVERIFY(!SmtpText::ReplyHasCode("25", "250"));
        QCOMPARE(SmtpText::MailDomain("a@b@c.test"), QStringLiteral("b@c.test"));
        QCOMPARE(SmtpText::MailDomain("plain.test"), QStringLiteral("plain.test"));
        const QDateTime when(QDate(2024, 3, 5), QTime(7, 8, 9));
        QCOMPARE(SmtpText::DateText(when, QLocale::c()),
                 QStringLiteral("Tue, 05 Mar 2024 07:08:09 -0600"));
        QCOMPARE(SmtpText::DateText(when, QLocale(QLocale::German)),
                 QStringLiteral("Di., 05 März 2024 07:08:09 -0600"));
    }

    void dialogue_data() {
        QTest::addColumn<QByteArray>("step");
        QTest::addColumn<int>("delay"); // in the dialogue's seconds
        QTest::addColumn<int>("pieces");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("lastLine");
        const auto row = [](const char *tag, const QByteArray &step, int delay, int pieces,
                            bool silent, bool sent, const QString &lastLine) {
            QTest::newRow(tag) << step << delay << pieces << silent << sent << lastLine;
        };
        row("250 after 15 s to the message", "MESSAGE", 15, 1, false, true, "Message send succeed");
        row("250 after 15 s to RCPT TO", "RCPT", 15, 1, false, false,
            "Can't send the receiver's address ");
        row("no greeting", "GREETING", 0, 1, true, false, "Can't connect the email server...");
        row("greeting in two pieces", "GREETING", 0, 2, false, true, "Message send succeed");
        row("code split over pieces", "HELO", 0, 15, false, false, "Can't open the email sending");
        row("no 354", "DATA", 0, 1, true, false, "Can't send the message body");
        row("no answer to QUIT", "QUIT", 0, 1, true, false, "250 2.0.0 Ok: queued");
    }

    void dialogue() {
        QFETCH(QByteArray, step);
        QFETCH(int, delay);
        QFETCH(int, pieces);
        QFETCH(bool, silent);
        QFETCH(bool, sent);
        SmtpSink::Step &s = m_sink->step(step);
        s.delayMs = delay * kSecondMs;
        s.pieces = pieces;
        s.pieceGapMs = 2 * kSecondMs;
        s.silent = silent;
        bool ok = false;
        const QStringList log = send(message(), &ok);
        QCOMPARE(ok, sent);
        QTEST(QString(log.last()), "lastLine");
        QCOMPARE(log.contains(QStringLiteral("Message send succeed")), sent);
        if (step == "QUIT") QVERIFY(!m_sink->message.isEmpty()); // accepted, yet no success line
    }

    void success_wireBytesAndLog() {
        bool ok = false;
        const QStringList log = send(message(), &ok);
        QVERIFY(ok);
        const QString port = QString::number(m_port);
        QCOMPARE(log, (QStringList{
                          "Resolve the email server address...",
                          "Connect to 127.0.0.1 Port " + port + " ...", "220 sink.test ESMTP ready",
                          "Connect Success", "SendCommand: Helo", "250 sink.test",
                          "SendCommand:MAIL FROM: me@home.test", "250 2.1.0 Ok",
                          "SendCommand:RCPT TO: friend@sink.test", "250 2.1.5 Ok",
                          "Send Message ... ", "354 End data with <CR><LF>.<CR><LF>",
                          "250 2.0.0 Ok: queued", "221 2.0.0 Bye", "Message send succeed"}));
        QCOMPARE(m_sink->commands,
                 (QList<QByteArray>{"HELO tester.local", "MAIL FROM: me@home.test",
                                    "RCPT TO: friend@sink.test", "DATA", "QUIT"}));
        const QRegularExpression shape =
            messageShape("Hello,\\r\\n\\.\\.dot line\\r\\n\\.\\.\\r\\nbye\\r\\n$");
        QVERIFY2(shape.match(QString::fromLatin1(m_sink->message)).hasMatch(), m_sink->message);
    }

    void refusedInput_sendsNothing_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("subject");
        QTest::newRow("CR LF in recipient") << kFrom << kTo + "\r\nRCPT TO: x@evil.test"
                                            << "s";
        QTest::newRow("LF in sender") << kFrom + "\nBcc: x@evil.test" << kTo << "s";
        QTest::newRow("tab in sender") << "me\t@home.test" << kTo << "s";
        QTest::newRow("line break in subject") << kFrom << kTo << "hi\r\nBcc: x@evil.test";
    }

    void refusedInput_sendsNothing() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, subject);
        bool ok = true;
        const QStringList log = send({from, to, subject, QStringLiteral("x")}, &ok);
        QVERIFY(!ok);
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().startsWith(QStringLiteral("Error ! ")), qPrintable(log.first()));
        QVERIFY(m_dns->queries.isEmpty());
        QVERIFY(m_sink->commands.isEmpty());
    }

    void lookupFailures_data() {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("no MX") << "friend@nomx.test" << QString("Error !");
        QTest::newRow("no answer")
            << "friend@quiet.test" << QString("Error ! Problem receiving MX query");
        QTest::newRow("no @: whole text") << "sink.test" << QString("Message send succeed");
    }

    void lookupFailures() {
        QFETCH(QString, to);
        m_dns->setScript(QStringLiteral("quiet.test"), {{}, {}, true});
        const QStringList log = send({kFrom, to, QStringLiteral("s"), QStringLiteral("x")});
        QTEST(QString(log.last()), "lastLine");
    }

    void realServer_receivesExactMessage() {
        if (!QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ||
            QProcess::execute(QStringLiteral("/usr/bin/python3"), {"-c", "import aiosmtpd"}) != 0)
            QSKIP("python3-aiosmtpd is not installed");
        HelperProcess server;
        m_port = HelperProcess::freePort();
        QString error;
        QVERIFY2(startSmtpSinkServer(server, m_port, &error), qPrintable(error));
        bool ok = false;
        const QStringList log = send(message(), &ok);
        QVERIFY2(ok, qPrintable(log.join('\n')));
        const QString file = server.file(QStringLiteral("message-1.eml"));
        QTRY_VERIFY(QFileInfo::exists(file));
        const QByteArray received = readFileBytes(file);
        const QRegularExpression shape =
            messageShape("Hello,\\r\\n\\.dot line\\r\\n\\.\\r\\nbye\\r\\n(\\r\\n)?$");
        QVERIFY2(shape.match(QString::fromLatin1(received)).hasMatch(), received);
        QCOMPARE(QDir(server.dir()).entryList({"message-*.eml"}).size(), 1);
    }

private:
    QStringList send(SmtpDialogue::Message message, bool *sent = nullptr);
    SmtpDialogue::Message message() const {
        return {kFrom, kTo, QStringLiteral("Hi, A good software - - Moorquill"),
                QStringLiteral("Hello,\n.dot line\n.\nbye")};
    }
    std::unique_ptr<DnsResponder> m_dns;
    std::unique_ptr<SmtpSink> m_sink;
    quint16 m_port = 0;
};

QStringList TestSmtpDialogue::send(SmtpDialogue::Message msg, bool *sent) {
    modMXQuery mx;
    mx.DnsServers = {m_dns->server()};
    mx.DnsCount = 1;
    mx.serverPortAllowed = true;
    mx.receiveTimeoutMs = 500;
    SmtpDialogue dialogue(mx);
    dialogue.port = m_port;
    dialogue.secondMs = kSecondMs;
    dialogue.helloName = QStringLiteral("tester.local");
    QStringList log;
    connect(&dialogue, &SmtpDialogue::logged, &dialogue, [&log](const QString &l) { log << l; });
    QSignalSpy finished(&dialogue, &SmtpDialogue::finished);
    dialogue.Send(msg);
    if (finished.isEmpty()) finished.wait(60 * kSecondMs);
    if (sent) *sent = !finished.isEmpty() && finished.first().first().toBool();
    return log;
}

QTEST_GUILESS_MAIN(TestSmtpDialogue)
#include "tst_smtpdialogue.moc"
