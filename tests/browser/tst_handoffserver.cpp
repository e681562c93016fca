// The program's local socket, the single instance and the host manifests;
// moorquill-host, the native messaging host, over real pipes;
// the scan channel over that socket: ports of native hosts (played by the
// test's own connections) register, scans go to the port of the window's
// process and answers are matched by port and id.
#include "browser/BrowserScanChannel.h"
#include "browser/HandOffJson.h"
#include "browser/HandOffServer.h"
#include "browser/HandOffSocket.h"
#include "browser/MessageFrames.h"
#include "browser/NativeHostManifests.h"
#include "common/TestHome.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QtTest>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A fresh XDG_RUNTIME_DIR only the user may enter.
QTemporaryDir *privateRuntimeFolder() {
    auto *dir = new QTemporaryDir;
    ::chmod(QFile::encodeName(dir->path()).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", dir->path().toLocal8Bit());
    return dir;
}

// A native host's connection as the test plays it: registers, keeps the
// scan requests it receives, answers what the test says.
struct FakePort {
    QLocalSocket socket;
    MessageFrames frames{HandOffJson::MaxBytes};
    QList<WireMessage> received;

    bool open(const QString &path, qint64 pid, const QString &browser) {
        socket.connectToServer(path);
        if (!socket.waitForConnected(2000)) return false;
        QObject::connect(&socket, &QLocalSocket::readyRead, [this] {
            frames.append(socket.readAll());
            QByteArray payload;
            while (frames.next(&payload) == MessageFrames::Next::Frame) {
                WireMessage message;
                if (HandOffJson::read(payload, &message, nullptr)) received << message;
            }
        });
        socket.write(MessageFrames::frame(HandOffJson::registerPort(pid, browser)));
        // Registered once the program said "ok".
        QDeadlineTimer deadline(5000);
        while (received.isEmpty() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !received.isEmpty() && received.takeFirst().type == QLatin1String("ok");
    }
    void send(const QByteArray &json) { socket.write(MessageFrames::frame(json)); }
    qint64 lastId() const { return received.isEmpty() ? 0 : received.last().id; }
};

ScanTarget target(qint64 pid, const QString &title = QStringLiteral("Movies - Chromium")) {
    ScanTarget t;
    t.window = 77;
    t.pid = pid;
    t.wmClass = QStringLiteral("Chromium");
    t.title = title;
    return t;
}

PageScanResult page(const QString &url, int embeds) {
    PageScanResult result;
    result.documentUrl = url;
    for (int i = 0; i < embeds; ++i)
        result.elements.append({"EMBED", {}, QStringLiteral("m%1.swf").arg(i), "<embed>"});
    return result;
}

// Replies as the picker receives them.
struct Replies {
    QList<std::optional<PageScanResult>> got;
    ScanChannel::Reply reply() {
        return [this](const std::optional<PageScanResult> &p) { got << p; };
    }
};

} // namespace

class tst_HandOffServer : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_runtime = privateRuntimeFolder();
        m_server = new HandOffServer;
        QString error;
        QVERIFY2(m_server->listen(HandOffSocket::path(), &error), qPrintable(error));
        m_channel = new BrowserScanChannel;
        m_channel->listenTo(m_server);
    }
    void cleanup() {
        delete m_channel;
        delete m_server;
        delete m_runtime;
    }
    void malformedRefused_data() {
        QTest::addColumn<QByteArray>("raw");
        QTest::newRow("garbage frame") << MessageFrames::frame("down my_qtr_Url:=x");
        QTest::newRow("reply type") << MessageFrames::frame(R"({"type":"ok"})");
        QTest::newRow("over 1 MiB") << MessageFrames::frame(
            "{\"type\":\"handoff\",\"text\":\"" + QByteArray(HandOffJson::MaxBytes, 'a') + "\"}");
        QTest::newRow("text protocol") << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
    }
    void malformedRefused() {
        QFETCH(QByteArray, raw);
        QSignalSpy handOffs(m_server, &HandOffServer::handOff);
        QSignalSpy refusals(m_server, &HandOffServer::refused);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("hand-off refused"));
        WireMessage reply;
        QVERIFY(HandOffJson::read(exchange(raw), &reply, nullptr));
        QCOMPARE(reply.type, QStringLiteral("error"));
        QVERIFY(!reply.message.isEmpty());
        QCOMPARE(refusals.count(), 1);
        // The server still serves the next client, and the refused message never arrived.
        HandOffMessage good;
        good.text = QStringLiteral("search");
        QVERIFY(sendOk(HandOffJson::write(good)));
        QVERIFY(handOffs.count() == 1 || handOffs.wait(2000));
        QCOMPARE(handOffs.count(), 1);
        QCOMPARE(handOffs.at(0).at(0).value<HandOffMessage>().text, good.text);
    }
    void socketIsPrivate() {
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(m_server->path()).constData(), &info), 0);
        QVERIFY(S_ISSOCK(info.st_mode));
        QCOMPARE(int(info.st_mode & 077), 0);
        QCOMPARE(info.st_uid, ::geteuid());
        QVERIFY(m_server->path().startsWith(m_runtime->path() + "/moorquill-"));
    }
    void staleSocketReplaced() {
        const QString path = m_server->path();
        // A second server on a live socket refuses; after the first is gone it takes over
        // the file left behind.
        HandOffServer second;
        QVERIFY(!second.listen(path));
        delete m_server;
        m_server = nullptr;
        QFile stale(path); // what a crash leaves: a socket file nobody listens on
        QVERIFY(!QFile::exists(path) || stale.exists());
        HandOffServer third;
        QString error;
        QVERIFY2(third.listen(path, &error), qPrintable(error));
        QVERIFY(HandOffSocket::answers(path));
    }
    void runtimeFolderOfOthersNotUsed() {
        ::chmod(QFile::encodeName(m_runtime->path()).constData(), 0755);
        const QString path = HandOffSocket::path();
        QVERIFY2(path.startsWith(QStringLiteral("/tmp/moorquill-%1/").arg(::geteuid())),
                 qPrintable(path));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(QFileInfo(path).path()).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 077), 0);
        ::chmod(QFile::encodeName(m_runtime->path()).constData(), 0700);
    }
    // A second start of the program asks the running one to show itself and ends.
    void secondProgramShowsFirst() {
        const QString program =
            qEnvironmentVariable("MQ_BINARY_DIR") + QStringLiteral("/src/app/moorquill/moorquill");
        QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
        QSignalSpy shows(m_server, &HandOffServer::showRequested);
        TestHome home;
        QProcess second;
        QSignalSpy finished(&second, &QProcess::finished);
        second.start(program, {});
        QVERIFY(finished.wait(15000)); // our server answers it meanwhile
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(shows.count() == 1 || shows.wait(2000));
        QVERIFY(!QFile::exists(home.file("default.mqb"))); // it never got as far as its window
    }
    void manifestsForPresentBrowsers() {
        QTemporaryDir home;
        for (const char *folder :
             {".config/chromium", ".config/BraveSoftware/Brave-Browser", ".mozilla"})
            QVERIFY(QDir(home.path()).mkpath(folder));
        const QString host = QStringLiteral("/opt/mq dir/bin/moorquill-host");
        QStringList written = NativeHostManifests::writeAll(home.path(), host);
        written.sort();
        QCOMPARE(
            written,
            (QStringList{home.filePath(".config/BraveSoftware/Brave-Browser/NativeMessagingHosts/"
                                       "moorquill.json"),
                         home.filePath(".config/chromium/NativeMessagingHosts/moorquill.json"),
                         home.filePath(".mozilla/native-messaging-hosts/moorquill.json")}));
        QVERIFY(!QDir(home.filePath(".config/google-chrome")).exists());
        const auto read = [](const QString &file) {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object()
                                               : QJsonObject();
        };
        const QJsonObject chromium = read(written[1]);
        QCOMPARE(chromium.value("name").toString(), QStringLiteral("moorquill"));
        QCOMPARE(chromium.value("path").toString(), host);
        QCOMPARE(chromium.value("type").toString(), QStringLiteral("stdio"));
        QCOMPARE(chromium.value("allowed_origins").toArray().first().toString(),
                 QStringLiteral("chrome-extension://bhofgmeakemcjgakgckfaokekjgpdkfk/"));
        QVERIFY(!chromium.contains("allowed_extensions"));
        const QJsonObject firefox = read(written[2]);
        QCOMPARE(firefox.value("allowed_extensions").toArray().first().toString(),
                 QStringLiteral("handoff@moorquill"));
        QVERIFY(!firefox.contains("allowed_origins"));
        // The next start restores a manifest the user damaged.
        QFile damaged(written[1]);
        QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write("{");
        damaged.close();
        NativeHostManifests::writeAll(home.path(), host);
        QCOMPARE(read(written[1]), chromium);
        // Snap's Firefox has its own folder.
        QVERIFY(QDir(home.path()).mkpath("snap/firefox/common/.mozilla"));
        QVERIFY(NativeHostManifests::writeAll(home.path(), host)
                    .contains(home.filePath("snap/firefox/common/.mozilla/native-messaging-hosts/"
                                            "moorquill.json")));
    }
    void scanGoesToThePortOfTheWindowsProcess() {
        auto chromium = openPort(4242);
        auto firefox = openPort(5151, "firefox");
        QVERIFY(chromium && firefox);
        QCOMPARE(m_channel->browserOf(5151), QStringLiteral("firefox"));
        Replies replies;

        // A window of a process without a port (or of no known process): nothing, at once.
        m_channel->requestScan(target(999), replies.reply());
        m_channel->requestScan(target(0), replies.reply());
        QCOMPARE(replies.got.size(), 2);
        QVERIFY(!replies.got[0] && !replies.got[1]);
        QCOMPARE(m_channel->pending(), 0);

        // The request carries the window title to the right port only.
        m_channel->requestScan(target(5151, "Movies \u2014 Mozilla Firefox"), replies.reply());
        QTRY_COMPARE(firefox->received.size(), 1);
        QCOMPARE(firefox->received[0].type, QStringLiteral("scan"));
        QCOMPARE(firefox->received[0].title, QStringLiteral("Movies \u2014 Mozilla Firefox"));
        QVERIFY(chromium->received.isEmpty());
        firefox->send(HandOffJson::scanResult(firefox->lastId(), page("http://h/p.html", 2)));
        QTRY_COMPARE(replies.got.size(), 3);
        QVERIFY(replies.got[2]);
        QCOMPARE(replies.got[2]->documentUrl, QStringLiteral("http://h/p.html"));
        QCOMPARE(replies.got[2]->elements.size(), 2);
        QCOMPARE(replies.got[2]->elements[1].src, QStringLiteral("m1.swf"));
        QCOMPARE(replies.got[2]->browser, QStringLiteral("firefox")); // its cache is searched first

        // A second port of the same process (the extension reconnected): the newer one is asked.
        auto again = openPort(4242);
        QVERIFY(again);
        m_channel->requestScan(target(4242), replies.reply());
        QTRY_COMPARE(again->received.size(), 1);
        QVERIFY(chromium->received.isEmpty());
        again->send(HandOffJson::scanResult(again->lastId(), std::nullopt)); // "found": false
        QTRY_COMPARE(replies.got.size(), 4);
        QVERIFY(!replies.got[3]);
    }
    // Answers in another order than asked reach their own requests; an answer
    // for an id never asked, answered twice or asked of another port is dropped.
    void answersMatchedByIdAndPort() {
        auto a = openPort(100), b = openPort(200);
        QVERIFY(a && b);
        Replies first, second, other;
        m_channel->requestScan(target(100), first.reply());
        m_channel->requestScan(target(100), second.reply());
        m_channel->requestScan(target(200), other.reply());
        QTRY_COMPARE(a->received.size(), 2);
        QTRY_COMPARE(b->received.size(), 1);
        const qint64 id1 = a->received[0].id, id2 = a->received[1].id, idB = b->received[0].id;
        QVERIFY(id1 != id2 && id2 != idB);
        b->send(HandOffJson::scanResult(id1, page("http://wrong/", 1))); // not b's request
        b->send(HandOffJson::scanResult(999999, page("http://wrong/", 1)));
        a->send(HandOffJson::scanResult(id2, page("http://h/2", 0)));
        a->send(HandOffJson::scanResult(id1, page("http://h/1", 1)));
        a->send(HandOffJson::scanResult(id1, page("http://h/again", 1))); // answered already
        QTRY_VERIFY(!first.got.isEmpty() && !second.got.isEmpty());
        b->send(HandOffJson::scanResult(idB, page("http://h/b", 0)));
        QTRY_COMPARE(other.got.size(), 1);
        QCOMPARE(first.got.size(), 1);
        QCOMPARE(first.got[0]->documentUrl, QStringLiteral("http://h/1"));
        QCOMPARE(second.got.size(), 1);
        QCOMPARE(second.got[0]->documentUrl, QStringLiteral("http://h/2"));
        QCOMPARE(other.got[0]->documentUrl, QStringLiteral("http://h/b"));
        QCOMPARE(m_channel->pending(), 0);
    }
    // The host ends (the browser closed the port): its outstanding requests get
    // nothing, and its process has no port any more.
    void closedPortAnswersNothing() {
        auto a = openPort(300), b = openPort(301);
        QVERIFY(a && b);
        Replies onA, onB;
        m_channel->requestScan(target(300), onA.reply());
        m_channel->requestScan(target(300), onA.reply());
        m_channel->requestScan(target(301), onB.reply());
        QTRY_COMPARE(a->received.size(), 2);
        a->socket.disconnectFromServer();
        QTRY_COMPARE(onA.got.size(), 2);
        QVERIFY(!onA.got[0] && !onA.got[1]);
        QCOMPARE(m_channel->ports(), 1);
        QVERIFY(onB.got.isEmpty()); // the other port's request still waits
        m_channel->requestScan(target(300), onA.reply());
        QCOMPARE(onA.got.size(), 3); // at once
        b.reset();                   // the whole connection object goes
        QTRY_COMPARE(onB.got.size(), 1);
        QVERIFY(!onB.got[0]);
        QCOMPARE(m_channel->ports(), 0);
        QCOMPARE(m_channel->pending(), 0);
    }
    // A refused answer (the reading rules are tst_handoffjson's) reaches nobody;
    // the request still waits, and a good answer behind it on the same
    // connection is taken.
    void hostileAnswer() {
        auto port = openPort(400);
        QVERIFY(port);
        QSignalSpy refusals(m_server, &HandOffServer::refused);
        Replies replies;
        m_channel->requestScan(target(400), replies.reply());
        QTRY_COMPARE(port->received.size(), 1);
        const QByteArray id = QByteArray::number(port->lastId());
        port->send("{\"type\":\"scanresult\",\"id\":" + id +
                   ",\"url\":\"http://h/\",\"elements\":[\"EMBED\"]}");
        QTRY_COMPARE(refusals.count(), 1);
        QTRY_COMPARE(port->received.size(), 2); // the program's "error" reply
        QCOMPARE(port->received[1].type, QStringLiteral("error"));
        QVERIFY(replies.got.isEmpty());
        QCOMPARE(m_channel->pending(), 1);
        port->send(HandOffJson::scanResult(id.toLongLong(), page("http://h/", 1)));
        QTRY_COMPARE(replies.got.size(), 1);
        QVERIFY(replies.got[0]);
    }
    // Requests nobody answers do not pile up: past the limit the oldest gets nothing.
    void oldRequestsAreGivenUp() {
        auto port = openPort(500);
        QVERIFY(port);
        Replies replies;
        for (int i = 0; i < BrowserScanChannel::kMaxPending + 3; ++i)
            m_channel->requestScan(target(500), replies.reply());
        QCOMPARE(m_channel->pending(), BrowserScanChannel::kMaxPending);
        QCOMPARE(replies.got.size(), 3);
        QVERIFY(!replies.got[0]);
        QTRY_COMPARE(port->received.size(), BrowserScanChannel::kMaxPending + 3);
        // The first request was given up: its late answer goes nowhere.
        port->send(HandOffJson::scanResult(port->received.first().id, page("http://h/", 1)));
        port->send(HandOffJson::scanResult(port->received.last().id, page("http://h/last", 1)));
        QTRY_COMPARE(replies.got.size(), 4);
        QCOMPARE(replies.got[3]->documentUrl, QStringLiteral("http://h/last"));
    }

private:
    std::unique_ptr<FakePort> openPort(qint64 pid, const QString &browser = "chromium") {
        auto port = std::make_unique<FakePort>();
        const int before = m_channel->ports();
        if (!port->open(m_server->path(), pid, browser)) return nullptr;
        QDeadlineTimer deadline(5000);
        while (m_channel->ports() != before + 1 && !deadline.hasExpired())
            QTest::qWait(10);
        if (m_channel->ports() != before + 1) return nullptr;
        return port;
    }
    BrowserScanChannel *m_channel = nullptr;
    // raw bytes in, the reply frame's payload out
    QByteArray exchange(const QByteArray &raw) {
        QLocalSocket socket;
        socket.connectToServer(m_server->path());
        if (!socket.waitForConnected(2000)) return "no connection";
        socket.write(raw);
        MessageFrames frames(HandOffJson::MaxBytes);
        QByteArray reply;
        QDeadlineTimer deadline(5000);
        while (frames.next(&reply) != MessageFrames::Next::Frame && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (socket.bytesAvailable() || socket.waitForReadyRead(20))
                frames.append(socket.readAll());
        }
        return reply;
    }
    // one message, answered "ok"
    bool sendOk(const QByteArray &json) {
        WireMessage reply;
        return HandOffJson::read(exchange(MessageFrames::frame(json)), &reply, nullptr) &&
               reply.type == QLatin1String("ok");
    }
    QTemporaryDir *m_runtime = nullptr;
    HandOffServer *m_server = nullptr;
};

// moorquill-host over real pipes: framing, refusals and starting the program.
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
    tst_HandOffServer server;
    tst_NativeHost host;
    return QTest::qExec(&server, argc, argv) | QTest::qExec(&host, argc, argv);
}
#include "tst_handoffserver.moc"
