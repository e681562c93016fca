// The scan channel over the program's real local socket: ports of native
// hosts (played by the test's own connections) register, scans go to the port
// of the window's process and answers are matched by port and id.
#include "browser/BrowserScanChannel.h"
#include "browser/HandOffJson.h"
#include "browser/HandOffServer.h"
#include "browser/HandOffSocket.h"
#include "browser/MessageFrames.h"

#include <QLocalSocket>
#include <QtTest>
#include <memory>

#include <sys/stat.h>

namespace {

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

class tst_BrowserScanChannel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void scanGoesToThePortOfTheWindowsProcess();
    void answersMatchedByIdAndPort();
    void closedPortAnswersNothing();
    void hostileAnswers_data();
    void hostileAnswers();
    void oldRequestsAreGivenUp();

private:
    std::unique_ptr<FakePort> openPort(qint64 pid, const QString &browser = "chromium");
    QTemporaryDir *m_runtime = nullptr;
    HandOffServer *m_server = nullptr;
    BrowserScanChannel *m_channel = nullptr;
};

void tst_BrowserScanChannel::init() {
    m_runtime = new QTemporaryDir;
    ::chmod(QFile::encodeName(m_runtime->path()).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", m_runtime->path().toLocal8Bit());
    m_server = new HandOffServer;
    QVERIFY(m_server->listen(HandOffSocket::path()));
    m_channel = new BrowserScanChannel;
    m_channel->listenTo(m_server);
}

void tst_BrowserScanChannel::cleanup() {
    delete m_channel;
    delete m_server;
    delete m_runtime;
}

std::unique_ptr<FakePort> tst_BrowserScanChannel::openPort(qint64 pid, const QString &browser) {
    auto port = std::make_unique<FakePort>();
    const int before = m_channel->ports();
    if (!port->open(m_server->path(), pid, browser)) return nullptr;
    QDeadlineTimer deadline(5000);
    while (m_channel->ports() != before + 1 && !deadline.hasExpired())
        QTest::qWait(10);
    if (m_channel->ports() != before + 1) return nullptr;
    return port;
}

void tst_BrowserScanChannel::scanGoesToThePortOfTheWindowsProcess() {
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
void tst_BrowserScanChannel::answersMatchedByIdAndPort() {
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
void tst_BrowserScanChannel::closedPortAnswersNothing() {
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

void tst_BrowserScanChannel::hostileAnswers_data() {
    QTest::addColumn<QByteArray>("answer"); // %ID% stands for the request's id
    const QString element = QStringLiteral(R"({"tagName":"EMBED","src":"a.swf"})");
    QStringList many;
    for (int i = 0; i <= HandOffJson::MaxElements; ++i)
        many << element;
    QTest::newRow("too many elements")
        << (R"({"type":"scanresult","id":%ID%,"url":"http://h/","elements":[)" +
            many.join(',').toUtf8() + "]}");
    QTest::newRow("outer HTML too long")
        << (R"({"type":"scanresult","id":%ID%,"url":"http://h/","elements":[{"tagName":"EMBED","outerHTML":")" +
            QByteArray(HandOffJson::MaxTextChars + 1, 'x') + "\"}]}");
    QTest::newRow("over the message limit")
        << (R"({"type":"scanresult","id":%ID%,"url":")" + QByteArray(HandOffJson::MaxBytes, 'x') +
            "\",\"elements\":[]}");
    QTest::newRow("element not an object")
        << QByteArray(R"({"type":"scanresult","id":%ID%,"url":"http://h/","elements":["EMBED"]})");
    QTest::newRow("id as text") << QByteArray(
        R"({"type":"scanresult","id":"%ID%","url":"http://h/","elements":[]})");
    QTest::newRow("not UTF-8") << QByteArray(
        "{\"type\":\"scanresult\",\"id\":%ID%,\"url\":\"\xff\",\"elements\":[]}");
}

// A refused answer reaches nobody; the request still waits, and a good
// answer behind the bad one on the same connection is taken.
void tst_BrowserScanChannel::hostileAnswers() {
    QFETCH(QByteArray, answer);
    auto port = openPort(400);
    QVERIFY(port);
    QSignalSpy refusals(m_server, &HandOffServer::refused);
    Replies replies;
    m_channel->requestScan(target(400), replies.reply());
    QTRY_COMPARE(port->received.size(), 1);
    const QByteArray id = QByteArray::number(port->lastId());
    port->send(answer.replace("%ID%", id));
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
void tst_BrowserScanChannel::oldRequestsAreGivenUp() {
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

QTEST_GUILESS_MAIN(tst_BrowserScanChannel)
#include "tst_browserscanchannel.moc"
