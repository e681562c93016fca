// The program's local socket, the single instance and the host manifests;
// the scan channel over that socket: ports of native hosts (played by the
// test's own connections) register, scans go to the port of the window's
// process and answers are matched by port and id.
#include "RuntimeFolder.h"
#include "browser/BrowserScanChannel.h"
#include "browser/HandOffJson.h"
#include "browser/HandOffServer.h"
#include "browser/HandOffSocket.h"
#include "browser/MessageFrames.h"
#include "browser/NativeHostManifests.h"
#include "common/TestFiles.h"
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

// A client of the program's socket; as a native host's port it registers,
// keeps the scan requests it receives and answers what the test says.
struct FakePort {
    QLocalSocket socket;
    MessageFrames frames{HandOffJson::MaxBytes};
    QList<WireMessage> received;

    bool connect(const QString &path) {
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
        return true;
    }
    // Raw bytes out; the program's next reply (of type "" when none came).
    WireMessage exchange(const QByteArray &raw) {
        socket.write(raw);
        return QTest::qWaitFor([this] { return !received.isEmpty(); }, 5000) ? received.takeFirst()
                                                                             : WireMessage();
    }
    bool open(const QString &path, qint64 pid, const QString &browser) {
        return connect(path) &&
               exchange(MessageFrames::frame(HandOffJson::registerPort(pid, browser))).type == "ok";
    }
    void send(const QByteArray &json) { socket.write(MessageFrames::frame(json)); }
    qint64 lastId() const { return received.isEmpty() ? 0 : received.last().id; }
};

ScanTarget target(qint64 pid, const QString &title = QStringLiteral("Movies - Chromium")) {
    return ScanTarget{77, pid, QStringLiteral("Chromium"), title};
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
        FakePort bad, next;
        QVERIFY(bad.connect(m_server->path()));
        const WireMessage reply = bad.exchange(raw);
        QCOMPARE(reply.type, QStringLiteral("error"));
        QVERIFY(!reply.message.isEmpty());
        QCOMPARE(refusals.count(), 1);
        // The server still serves the next client, and the refused message never arrived.
        const HandOffMessage good{QStringLiteral("search"), {}, {}, {}};
        QVERIFY(next.connect(m_server->path()));
        QCOMPARE(next.exchange(MessageFrames::frame(HandOffJson::write(good))).type, "ok");
        QTRY_COMPARE(handOffs.count(), 1);
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
        QTRY_COMPARE(shows.count(), 1);
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
            return QJsonDocument::fromJson(readFileBytes(file)).object();
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
        QVERIFY(writeFileBytes(written[1], "{"));
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
        if (!QTest::qWaitFor([&] { return m_channel->ports() == before + 1; }, 5000))
            return nullptr;
        return port;
    }
    BrowserScanChannel *m_channel = nullptr;
    QTemporaryDir *m_runtime = nullptr;
    HandOffServer *m_server = nullptr;
};

QTEST_GUILESS_MAIN(tst_HandOffServer)
#include "tst_handoffserver.moc"
