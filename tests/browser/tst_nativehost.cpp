// moorquill-host, the native messaging host, over real pipes: framing,
// refusals and starting the program.
#include "RuntimeFolder.h"
#include "browser/BrowserScanChannel.h"
#include "browser/HandOffJson.h"
#include "browser/HandOffServer.h"
#include "browser/HandOffSocket.h"
#include "browser/MessageFrames.h"
#include "browser/NativeHostManifests.h"

#include <QProcess>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString hostProgram() {
    return qEnvironmentVariable("MQ_BINARY_DIR") +
           QStringLiteral("/src/app/moorquill/moorquill-host");
}

QByteArray handOffJson(const QString &text) {
    HandOffMessage message;
    message.text = text;
    return HandOffJson::write(message);
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
        m_runtime = privateRuntimeFolder();
        m_frames = new MessageFrames(HandOffJson::MaxBytes);
    }
    void cleanup() {
        if (m_host) {
            m_host->closeWriteChannel();
            if (!m_host->waitForFinished(5000)) m_host->kill();
        }
        delete m_host;
        m_host = nullptr;
        delete m_channel;
        m_channel = nullptr;
        delete m_server;
        m_server = nullptr;
        delete m_frames;
        delete m_runtime;
    }
    void splitReadsAndSeveralMessages() {
        m_server = new HandOffServer;
        QVERIFY(m_server->listen(HandOffSocket::path()));
        QSignalSpy handOffs(m_server, &HandOffServer::handOff);
        startHost();
        const QByteArray first =
            MessageFrames::frame(handOffJson("downmy_qtr_Url:=http://a/1||**QTRVAN**||"));
        for (int i = 0; i < first.size(); i += 7) { // the first message in small pieces
            m_host->write(first.mid(i, 7));
            QVERIFY(m_host->waitForBytesWritten(2000));
        }
        QList<WireMessage> got = replies(1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].type, QStringLiteral("ok"));
        // Two messages in one write: two deliveries in order, two replies.
        m_host->write(MessageFrames::frame(handOffJson("search")) +
                      MessageFrames::frame(handOffJson("all")));
        got = replies(2);
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
        m_server = new HandOffServer;
        QVERIFY(m_server->listen(HandOffSocket::path()));
        QSignalSpy handOffs(m_server, &HandOffServer::handOff);
        startHost();
        m_host->write(input);
        QList<WireMessage> got = replies(1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].type, QStringLiteral("error"));
        QVERIFY2(got[0].message.contains(reason), qPrintable(got[0].message));
        if (QTest::currentDataTag() == QLatin1String("garbage length")) return; // stream is lost
        m_host->write(MessageFrames::frame(handOffJson("down")));
        got = replies(1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].type, QStringLiteral("ok"));
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
        const QList<WireMessage> got = replies(1);
        QCOMPARE(got.size(), 1);
        QVERIFY2(got[0].type == QLatin1String("ok"), qPrintable(got[0].message));
        QTRY_VERIFY(QFileInfo(received).size() > 0);
        QFile file(received);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("downmy_qtr_Url:=http://b/||**QTRVAN**||"));
    }
    // A program that cannot be found, or ends without listening, is an error reply.
    void programThatEndsIsReported() {
        startHost(QStringLiteral("/bin/true"));
        m_host->write(MessageFrames::frame(handOffJson("down")));
        QList<WireMessage> got = replies(1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].type, QStringLiteral("error"));
        QVERIFY2(got[0].message.contains("MoorQuill"), qPrintable(got[0].message));
        m_host->closeWriteChannel();
        QVERIFY(m_host->waitForFinished(5000));
        delete m_host;
        startHost(QStringLiteral("/nonexistent/moorquill"));
        m_host->write(MessageFrames::frame(handOffJson("down")));
        got = replies(1);
        QCOMPARE(got.size(), 1);
        QVERIFY2(got[0].message.contains("could not be started"), qPrintable(got[0].message));
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
        ScanTarget target;
        target.pid = self;
        target.title = QStringLiteral("Movies \u00e9 - Chromium");
        const auto reply = [&got](const std::optional<PageScanResult> &page) { got << page; };
        m_channel->requestScan(target, reply);
        QList<WireMessage> out = replies(1);
        QCOMPARE(out.size(), 1);
        QCOMPARE(out[0].type, QStringLiteral("scan"));
        QCOMPARE(out[0].title, target.title);
        const qint64 id = out[0].id;

        // A hostile answer is refused by the host itself (an error reply to the
        // extension); the good one behind it arrives.
        m_host->write(MessageFrames::frame(R"({"type":"scanresult","id":)" +
                                           QByteArray::number(id) + R"(,"url":7,"elements":[]})"));
        out = replies(1);
        QCOMPARE(out.size(), 1);
        QCOMPARE(out[0].type, QStringLiteral("error"));
        PageScanResult page;
        page.documentUrl = QStringLiteral("http://127.0.0.1/p.html");
        page.elements = {{QStringLiteral("EMBED"), QString(), QStringLiteral("a.swf"), "<embed>"}};
        m_host->write(MessageFrames::frame(HandOffJson::scanResult(id, page)));
        QTRY_COMPARE(got.size(), 1);
        QVERIFY(got[0]);
        QCOMPARE(got[0]->documentUrl, page.documentUrl);
        QCOMPARE(got[0]->elements[0].src, QStringLiteral("a.swf"));
        QCOMPARE(got[0]->browser, QStringLiteral("chromium"));

        // The browser closes the port: the host ends, the program forgets it.
        m_channel->requestScan(target, reply);
        QCOMPARE(replies(1).size(), 1);
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
            delete m_channel;
            m_channel = nullptr;
            delete m_server; // the program ends
            m_server = nullptr;
        }
        QCOMPARE(m_host->state(), QProcess::Running);
        m_frames->append(m_host->readAllStandardOutput());
        QCOMPARE(m_frames->pending(), 0); // nothing was said to the extension
    }
    // The menu entry's page: delivered like a hand-off, with the browser's name.
    void scanPageIsHandedOver() {
        listenWithChannel();
        QSignalSpy pages(m_server, &HandOffServer::pageScanned);
        startHost();
        PageScanResult page;
        page.documentUrl = QStringLiteral("https://h/p.html");
        page.browser = QStringLiteral("evil/../name"); // replaced by the host's own
        page.elements = {
            {QStringLiteral("OBJECT"), QStringLiteral("m.swf"), QString(), "<object>"}};
        m_host->write(
            MessageFrames::frame(HandOffJson::scanPage(page).replace("evil/../name", "x")));
        QList<WireMessage> got = replies(1);
        QCOMPARE(got.size(), 1);
        QVERIFY2(got[0].type == QLatin1String("ok"), qPrintable(got[0].message));
        QTRY_COMPARE(pages.count(), 1);
        const auto delivered = pages.at(0).at(0).value<PageScanResult>();
        QCOMPARE(delivered.documentUrl, page.documentUrl);
        QCOMPARE(delivered.elements.size(), 1);
        QCOMPARE(delivered.elements[0].movie, QStringLiteral("m.swf"));
        QCOMPARE(delivered.browser, QStringLiteral("chromium"));
        m_host->write(MessageFrames::frame(R"({"type":"scanpage","found":false})"));
        got = replies(1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].type, QStringLiteral("error"));
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
        m_server = new HandOffServer;
        QVERIFY(m_server->listen(HandOffSocket::path()));
        m_channel = new BrowserScanChannel;
        m_channel->listenTo(m_server);
    }
    BrowserScanChannel *m_channel = nullptr;
    void startHost(const QString &program = QString()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MOORQUILL_PROGRAM"),
                   program.isEmpty() ? "/nonexistent" : program);
        m_host = new QProcess;
        m_host->setProcessEnvironment(env);
        m_host->start(hostProgram(), {QStringLiteral("chrome-extension://test/")});
        QVERIFY2(m_host->waitForStarted(5000), qPrintable(hostProgram()));
    }
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
    QTemporaryDir *m_runtime = nullptr;
    HandOffServer *m_server = nullptr;
    QProcess *m_host = nullptr;
    MessageFrames *m_frames = nullptr;
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("MQ_TEST_SERVE_ONCE")) return serveOnce();
    tst_NativeHost host;
    return QTest::qExec(&host, argc, argv);
}
#include "tst_nativehost.moc"
