// The program's local socket, the single instance and the host manifests.
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

#include <sys/stat.h>
#include <unistd.h>

class tst_HandOffServer : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void handOffArrives();
    void malformedRefused_data();
    void malformedRefused();
    void socketIsPrivate();
    void staleSocketReplaced();
    void runtimeFolderOfOthersNotUsed();
    void secondProgramShowsFirst();
    void manifestsForPresentBrowsers();

private:
    QByteArray exchange(const QByteArray &raw); // raw bytes in, the reply frame's payload out
    bool sendOk(const QByteArray &json);        // one message, answered "ok"
    QTemporaryDir *m_runtime = nullptr;
    HandOffServer *m_server = nullptr;
};

void tst_HandOffServer::init() {
    m_runtime = new QTemporaryDir;
    ::chmod(QFile::encodeName(m_runtime->path()).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", m_runtime->path().toLocal8Bit());
    m_server = new HandOffServer;
    QString error;
    QVERIFY2(m_server->listen(HandOffSocket::path(), &error), qPrintable(error));
}

void tst_HandOffServer::cleanup() {
    delete m_server;
    delete m_runtime;
}

QByteArray tst_HandOffServer::exchange(const QByteArray &raw) {
    QLocalSocket socket;
    socket.connectToServer(m_server->path());
    if (!socket.waitForConnected(2000)) return "no connection";
    socket.write(raw);
    MessageFrames frames(HandOffJson::MaxBytes);
    QByteArray reply;
    QDeadlineTimer deadline(5000);
    while (frames.next(&reply) != MessageFrames::Next::Frame && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (socket.bytesAvailable() || socket.waitForReadyRead(20)) frames.append(socket.readAll());
    }
    return reply;
}

bool tst_HandOffServer::sendOk(const QByteArray &json) {
    WireMessage reply;
    return HandOffJson::read(exchange(MessageFrames::frame(json)), &reply, nullptr) &&
           reply.type == QLatin1String("ok");
}

void tst_HandOffServer::handOffArrives() {
    QSignalSpy handOffs(m_server, &HandOffServer::handOff);
    QSignalSpy shows(m_server, &HandOffServer::showRequested);
    HandOffMessage sent;
    sent.text = QStringLiteral("downmy_qtr_Url:=http://127.0.0.1/a.swf||**QTRVAN**||");
    sent.links = {{QStringLiteral("http://127.0.0.1/b"), QStringLiteral("b")}};
    sent.cookies = QStringLiteral("s=1");
    sent.userAgent = QStringLiteral("UA/1");
    QVERIFY(sendOk(HandOffJson::write(sent)));
    QVERIFY(handOffs.count() == 1 || handOffs.wait(2000));
    const auto got = handOffs.at(0).at(0).value<HandOffMessage>();
    QCOMPARE(got.text, sent.text);
    QCOMPARE(got.links.size(), 1);
    QCOMPARE(got.links[0].url, sent.links[0].url);
    QCOMPARE(got.cookies, sent.cookies);
    QCOMPARE(got.userAgent, sent.userAgent);
    QVERIFY(sendOk(HandOffJson::show()));
    QVERIFY(shows.count() == 1 || shows.wait(2000));
    QCOMPARE(handOffs.count(), 1);
}

void tst_HandOffServer::malformedRefused_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::newRow("garbage frame") << MessageFrames::frame("down my_qtr_Url:=x");
    QTest::newRow("not UTF-8") << MessageFrames::frame("{\"type\":\"handoff\",\"text\":\"\xff\"}");
    QTest::newRow("no text") << MessageFrames::frame(R"({"type":"handoff"})");
    QTest::newRow("reply type") << MessageFrames::frame(R"({"type":"ok"})");
    QTest::newRow("over 1 MiB") << MessageFrames::frame(
        R"({"type":"handoff","text":")" + QByteArray(HandOffJson::MaxBytes, 'a') + R"("})");
    QTest::newRow("text protocol") << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
}

void tst_HandOffServer::malformedRefused() {
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

void tst_HandOffServer::socketIsPrivate() {
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(m_server->path()).constData(), &info), 0);
    QVERIFY(S_ISSOCK(info.st_mode));
    QCOMPARE(int(info.st_mode & 077), 0);
    QCOMPARE(info.st_uid, ::geteuid());
    QVERIFY(m_server->path().startsWith(m_runtime->path() + "/moorquill-"));
}

void tst_HandOffServer::staleSocketReplaced() {
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

void tst_HandOffServer::runtimeFolderOfOthersNotUsed() {
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
void tst_HandOffServer::secondProgramShowsFirst() {
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

void tst_HandOffServer::manifestsForPresentBrowsers() {
    QTemporaryDir home;
    for (const char *folder :
         {".config/chromium", ".config/BraveSoftware/Brave-Browser", ".mozilla"})
        QVERIFY(QDir(home.path()).mkpath(folder));
    const QString host = QStringLiteral("/opt/mq dir/bin/moorquill-host");
    QStringList written = NativeHostManifests::writeAll(home.path(), host);
    written.sort();
    QCOMPARE(written,
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

QTEST_GUILESS_MAIN(tst_HandOffServer)
#include "tst_handoffserver.moc"
