// moorquill-host, the native messaging host, over real pipes: framing,
// refusals and starting the program.
#include "RuntimeFolder.h"
#include "browser/BrowserScanChannel.h"
#include "browser/HandOffJson.h"
#include "browser/HandOffServer.h"
#include "browser/HandOffSocket.h"
#include "browser/MessageFrames.h"
#include "browser/NativeHostManifests.h"
#include "common/TestFiles.h"

#include <QProcess>
#include <QtTest>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString hostProgram() {
    return qEnvironmentVariable("MQ_BINARY_DIR") +
           QStringLiteral("/src/app/moorquill/moorquill-host");
}

QByteArray handOffJson(const QString &text) {
    return HandOffJson::write({text, {}, {}, {}});
}

// Stands in for the program when the host starts one: listens, writes the
// first hand-off's text to $MQ_TEST_RECEIVED and ends.
int serveOnce() {
    HandOffServer server;
    if (!server.listen(HandOffSocket::path())) return 3;
    QObject::connect(&server, &HandOffServer::handOff, [](const HandOffMessage &message) {
        QFile out(qEnvironmentVariable("MQ_TEST_RECEIVED"));
        if (out.open(QIODevice::WriteOnly)) out.write(message.text.toUtf8());
        out.close();
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}

} // namespace

class tst_NativeHost : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_runtime.reset(privateRuntimeFolder());
        m_frames = std::make_unique<MessageFrames>(HandOffJson::MaxBytes);
    }
    void cleanup() {
        if (m_host) {
            m_host->closeWriteChannel();
            if (!m_host->waitForFinished(5000)) m_host->kill();
        }
        m_host.reset();
        m_channel.reset();
        m_server.reset();
    }
    void splitReadsAndSeveralMessages() {
        listenWithChannel();
        QSignalSpy handOffs(m_server.get(), &HandOffServer::handOff);
        startHost();
        const QByteArray first =
            MessageFrames::frame(handOffJson("downmy_qtr_Url:=http://a/1||**QTRVAN**||"));
        for (int i = 0; i < first.size(); i += 7) { // the first message in small pieces
            m_host->write(first.mid(i, 7));
            QVERIFY(m_host->waitForBytesWritten(2000));
        }
        QCOMPARE(reply().type, QStringLiteral("ok"));
        // Two messages in one write: two deliveries in order, two replies.
        m_host->write(MessageFrames::frame(handOffJson("search")) +
                      MessageFrames::frame(handOffJson("all")));
        const QList<WireMessage> got = replies(2);
        QCOMPARE(got.size(), 2);
        QCOMPARE(got[1].type, QStringLiteral("ok"));
        QTRY_COMPARE(handOffs.count(), 3);
        QCOMPARE(handOffs.at(0).at(0).value<HandOffMessage>().text,
                 QStringLiteral("downmy_qtr_Url:=http://a/1||**QTRVAN**||"));
        QCOMPARE(handOffs.at(2).at(0).value<HandOffMessage>().text, QStringLiteral("all"));
        // The browser closing the pipe ends the host, which wrote nothing else.
        m_host->closeWriteChannel();
        QVERIFY(m_host->waitForFinished(5000));
        QCOMPARE(m_host->exitCode(), 0);
        m_frames->append(m_host->readAllStandardOutput());
        QCOMPARE(m_frames->pending(), 0);
    }
    void badInputGetsErrorReplies_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not JSON") << MessageFrames::frame("hello") << "JSON";
        QTest::newRow("other type") << MessageFrames::frame(R"({"type":"show"})") << "type";
        QTest::newRow("oversized")
            << MessageFrames::frame(QByteArray(HandOffJson::MaxBytes + 1, '{')) << "limit";
        QTest::newRow("garbage length") << QByteArray("\xff\xff\xff\x7f garbage", 12) << "limit";
    }
    // Every bad message gets an error reply and reaches nobody; a good message
    // behind it still goes through. (What the JSON must hold is tst_handoffjson's.)
    void badInputGetsErrorReplies() {
        QFETCH(QByteArray, input);
        QFETCH(QString, reason);
        listenWithChannel();
        QSignalSpy handOffs(m_server.get(), &HandOffServer::handOff);
        startHost();
        m_host->write(input);
        const WireMessage got = reply();
        QCOMPARE(got.type, QStringLiteral("error"));
        QVERIFY2(got.message.contains(reason), qPrintable(got.message));
        if (QTest::currentDataTag() == QLatin1String("garbage length")) return; // stream is lost
        m_host->write(MessageFrames::frame(handOffJson("down")));
        QCOMPARE(reply().type, QStringLiteral("ok"));
        QTRY_COMPARE(handOffs.count(), 1);
    }
    // No program listens: the host starts one and delivers once its socket is up.
    void startsTheProgram() {
        QTemporaryDir dir;
        const QString received = dir.filePath("received");
        qputenv("MQ_TEST_RECEIVED", received.toLocal8Bit());
        qputenv("MQ_TEST_SERVE_ONCE", "1");
        startHost(QCoreApplication::applicationFilePath());
        qunsetenv("MQ_TEST_SERVE_ONCE");
        m_host->write(MessageFrames::frame(handOffJson("downmy_qtr_Url:=http://b/||**QTRVAN**||")));
        const WireMessage got = reply();
        QVERIFY2(got.type == QLatin1String("ok"), qPrintable(got.message));
        QTRY_VERIFY(QFileInfo(received).size() > 0);
        QCOMPARE(readFileBytes(received), QByteArray("downmy_qtr_Url:=http://b/||**QTRVAN**||"));
    }
    // A program that cannot be found, or ends without listening, is an error reply.
    void programThatEndsIsReported() {
        startHost(QStringLiteral("/bin/true"));
        m_host->write(MessageFrames::frame(handOffJson("down")));
        WireMessage got = reply();
        QCOMPARE(got.type, QStringLiteral("error"));
        QVERIFY2(got.message.contains("MoorQuill"), qPrintable(got.message));
        m_host->closeWriteChannel();
        QVERIFY(m_host->waitForFinished(5000));
        startHost(QStringLiteral("/nonexistent/moorquill"));
        m_host->write(MessageFrames::frame(handOffJson("down")));
        got = reply();
        QVERIFY2(got.message.contains("could not be started"), qPrintable(got.message));
    }
    // The extension's port: the host registers with its parent (here the test)
    // and the browser its origin names, writes the program's request to stdout
    // and sends the answer from stdin back; bad answers go no further.
    void portRelaysScans() {
        listenWithChannel();
        startHost();
        m_host->write(MessageFrames::frame(R"({"type":"listen"})"));
        const qint64 self = QCoreApplication::applicationPid();
        QTRY_COMPARE(m_channel->ports(), 1);
        QCOMPARE(m_channel->browserOf(self), QStringLiteral("chromium"));

        QList<std::optional<PageScanResult>> got;
        const ScanTarget target{0, self, {}, QStringLiteral("Movies \u00e9 - Chromium")};
        const auto onReply = [&got](const std::optional<PageScanResult> &page) { got << page; };
        m_channel->requestScan(target, onReply);
        const WireMessage scan = reply();
        QCOMPARE(scan.type, QStringLiteral("scan"));
        QCOMPARE(scan.title, target.title);
        const qint64 id = scan.id;

        // A hostile answer is refused by the host itself (an error reply to the
        // extension); the good one behind it arrives.
        m_host->write(MessageFrames::frame(R"({"type":"scanresult","id":)" +
                                           QByteArray::number(id) + R"(,"url":7,"elements":[]})"));
        QCOMPARE(reply().type, QStringLiteral("error"));
        const PageScanResult page{"http://127.0.0.1/p.html", {{"EMBED", {}, "a.swf", "<embed>"}}};
        m_host->write(MessageFrames::frame(HandOffJson::scanResult(id, page)));
        QTRY_COMPARE(got.size(), 1);
        QVERIFY(got[0]);
        QCOMPARE(got[0]->documentUrl, page.documentUrl);
        QCOMPARE(got[0]->elements[0].src, QStringLiteral("a.swf"));
        QCOMPARE(got[0]->browser, QStringLiteral("chromium"));

        // The browser closes the port: the host ends, the program forgets it.
        m_channel->requestScan(target, onReply);
        QCOMPARE(reply().type, QStringLiteral("scan"));
        m_host->closeWriteChannel();
        QVERIFY(m_host->waitForFinished(5000));
        QTRY_COMPARE(m_channel->ports(), 0);
        QCOMPARE(got.size(), 2);
        QVERIFY(!got[1]);
    }
    // A port opened while no program runs waits for one (the host starts none),
    // and registers again with a program started later.
    void portRegistersOnceTheProgramListens() {
        startHost(QStringLiteral("/bin/false"));
        m_host->write(MessageFrames::frame(R"({"type":"listen"})"));
        QVERIFY(m_host->waitForBytesWritten(2000));
        QVERIFY(!m_host->waitForFinished(300)); // still there, waiting
        for (int run = 0; run < 2; ++run) {
            listenWithChannel();
            QTRY_COMPARE_WITH_TIMEOUT(m_channel->ports(), 1, 8000);
            m_channel.reset();
            m_server.reset(); // the program ends
        }
        QCOMPARE(m_host->state(), QProcess::Running);
        m_frames->append(m_host->readAllStandardOutput());
        QCOMPARE(m_frames->pending(), 0); // nothing was said to the extension
    }
    // The menu entry's page: delivered like a hand-off, with the browser's name.
    void scanPageIsHandedOver() {
        listenWithChannel();
        QSignalSpy pages(m_server.get(), &HandOffServer::pageScanned);
        startHost();
        // The browser's name in the message is replaced by the host's own.
        const PageScanResult page{"https://h/p.html", {{"OBJECT", "m.swf", {}, "<object>"}}, "x"};
        m_host->write(MessageFrames::frame(HandOffJson::scanPage(page)));
        const WireMessage got = reply();
        QVERIFY2(got.type == QLatin1String("ok"), qPrintable(got.message));
        QTRY_COMPARE(pages.count(), 1);
        const auto delivered = pages.at(0).at(0).value<PageScanResult>();
        QCOMPARE(delivered.documentUrl, page.documentUrl);
        QCOMPARE(delivered.elements.size(), 1);
        QCOMPARE(delivered.elements[0].movie, QStringLiteral("m.swf"));
        QCOMPARE(delivered.browser, QStringLiteral("chromium"));
        m_host->write(MessageFrames::frame(R"({"type":"scanpage","found":false})"));
        QCOMPARE(reply().type, QStringLiteral("error"));
    }
    void browserNames_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("browser");
        const QStringList chrome{"chrome-extension://bhofgmeakemcjgakgckfaokekjgpdkfk/"};
        const auto row = [](const char *tag, const QStringList &args, const char *parent,
                            const char *browser) {
            QTest::newRow(tag) << args << parent << browser;
        };
        row("chromium", chrome, "/usr/lib/chromium/chromium", "chromium");
        row("google chrome", chrome, "/opt/google/chrome/chrome", "google-chrome");
        row("brave", chrome, "/opt/brave.com/brave/brave", "brave");
        row("vivaldi", chrome, "/opt/vivaldi/vivaldi-bin", "vivaldi");
        row("unknown parent", chrome, "", "chromium");
        row("firefox",
            {"/home/u/.mozilla/native-messaging-hosts/moorquill.json", "handoff@moorquill"},
            "/usr/lib/firefox-esr/firefox-esr", "firefox");
        row("nothing", {}, "/usr/bin/bash", "");
    }
    void browserNames() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, parent);
        QFETCH(QString, browser);
        QCOMPARE(NativeHostManifests::browserOfHost(arguments, parent), browser);
    }

private:
    void listenWithChannel() {
        m_server = std::make_unique<HandOffServer>();
        QVERIFY(m_server->listen(HandOffSocket::path()));
        m_channel = std::make_unique<BrowserScanChannel>();
        m_channel->listenTo(m_server.get());
    }
    std::unique_ptr<BrowserScanChannel> m_channel;
    void startHost(const QString &program = QString()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MOORQUILL_PROGRAM"),
                   program.isEmpty() ? "/nonexistent" : program);
        m_host = std::make_unique<QProcess>();
        m_host->setProcessEnvironment(env);
        m_host->start(hostProgram(), {QStringLiteral("chrome-extension://test/")});
        QVERIFY2(m_host->waitForStarted(5000), qPrintable(hostProgram()));
    }
    WireMessage reply() { return replies(1).value(0); } // type "" when none came
    // reads exactly `count` framed replies
    QList<WireMessage> replies(int count) {
        QList<WireMessage> out;
        QDeadlineTimer deadline(15000);
        while (out.size() < count && !deadline.hasExpired()) {
            QByteArray payload;
            if (m_frames->next(&payload) == MessageFrames::Next::Frame) {
                WireMessage reply;
                if (!HandOffJson::read(payload, &reply, nullptr)) reply.type = "unreadable";
                out << reply;
                continue;
            }
            // Events first (the test's server answers the host), then what the
            // host wrote, whether it came during those events or in the wait.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            m_host->waitForReadyRead(20);
            m_frames->append(m_host->readAllStandardOutput());
        }
        return out;
    }
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<HandOffServer> m_server;
    std::unique_ptr<QProcess> m_host;
    std::unique_ptr<MessageFrames> m_frames;
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("MQ_TEST_SERVE_ONCE")) return serveOnce();
    tst_NativeHost host;
    return QTest::qExec(&host, argc, argv);
}
#include "tst_nativehost.moc"
