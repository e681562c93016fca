#include "common/FaultHttpServer.h"
#include "engine/BodyPipe.h"

#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A connected pair of TCP sockets on 127.0.0.1; `in` is non-blocking.
struct TcpPair {
    int out = -1, in = -1;
    TcpPair() {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(listener, reinterpret_cast<sockaddr *>(&addr), len) == 0 &&
            ::listen(listener, 1) == 0 &&
            ::getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len) == 0) {
            in = ::socket(AF_INET, SOCK_STREAM, 0);
            if (::connect(in, reinterpret_cast<sockaddr *>(&addr), len) == 0)
                out = ::accept(listener, nullptr, nullptr);
            ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) | O_NONBLOCK);
            ::fcntl(out, F_SETFL, ::fcntl(out, F_GETFL) | O_NONBLOCK);
        }
        ::close(listener);
    }
    ~TcpPair() {
        if (out >= 0) ::close(out);
        if (in >= 0) ::close(in);
    }
    bool ok() const { return out >= 0 && in >= 0; }
    // Sends what the connection takes of `bytes` from `sent` on.
    void send(const QByteArray &bytes, qint64 *sent) const {
        const ssize_t n = ::write(out, bytes.constData() + *sent, size_t(bytes.size() - *sent));
        if (n > 0) *sent += n;
    }
    bool readable() const { // waits for the bytes sent (or the close) to arrive
        pollfd p{in, POLLIN, 0};
        return ::poll(&p, 1, 5000) == 1;
    }
};
} // namespace

class TestBodyPipe : public QObject {
    Q_OBJECT
private slots:
    // What the socket received lands at the position asked for, and the
    // bytes around it stay as they were.
    void bytesLandAtTheirPosition_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("pos");
        QTest::newRow("small at the start") << 100 << 0;
        QTest::newRow("inside the file") << 3000 << 5000;
        QTest::newRow("more than a pipe's default") << 300000 << 12345;
    }
    void bytesLandAtTheirPosition() {
        QFETCH(int, size);
        QFETCH(int, pos);
        TcpPair tcp;
        QVERIFY(tcp.ok());
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("f")));
        const QByteArray before(pos + size + 100, 'x');
        QFile seed(dir.filePath(QStringLiteral("f")));
        QVERIFY(seed.open(QIODevice::WriteOnly) && seed.write(before) == before.size());
        seed.close();
        const int file = ::open(path.constData(), O_RDWR);
        QVERIFY(file >= 0);

        const QByteArray body = FaultHttpServer::pattern(size);
        BodyPipe pipe;
        qint64 done = 0, sent = 0;
        while (done < size) {
            tcp.send(body, &sent);
            QVERIFY(tcp.readable());
            const qint64 n = pipe.fill(tcp.in, 512 * 1024);
            if (n == BodyPipe::kNothing) continue;
            QVERIFY(n > 0);
            QCOMPARE(pipe.pending(), n);
            int errnum = 0;
            QVERIFY(pipe.drainTo(file, pos + done, &errnum));
            QCOMPARE(pipe.pending(), qint64(0));
            done += n;
        }
        ::close(file);
        QCOMPARE(done, qint64(size));
        QVERIFY(seed.open(QIODevice::ReadOnly));
        QByteArray expected = before;
        expected.replace(pos, size, body);
        QCOMPARE(seed.readAll(), expected);
    }

    // The socket's state comes back as such; a refused write empties the pipe.
    void closeNothingAndRefusal() {
        TcpPair tcp;
        QVERIFY(tcp.ok());
        BodyPipe pipe;
        QCOMPARE(pipe.fill(tcp.in, 4096), qint64(BodyPipe::kNothing));

        qint64 sent = 0;
        tcp.send("abc", &sent);
        QVERIFY(tcp.readable());
        QCOMPARE(pipe.fill(tcp.in, 4096), qint64(3));
        QCOMPARE(pipe.fill(tcp.in, 4096), qint64(BodyPipe::kFailed)); // still full
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("ro")));
        QFile(dir.filePath(QStringLiteral("ro"))).open(QIODevice::WriteOnly);
        const int readOnly = ::open(path.constData(), O_RDONLY);
        int errnum = 0;
        QVERIFY(!pipe.drainTo(readOnly, 0, &errnum));
        ::close(readOnly);
        QCOMPARE(errnum, EBADF);
        QCOMPARE(pipe.pending(), qint64(0));

        ::shutdown(tcp.out, SHUT_WR);
        QVERIFY(tcp.readable());
        QCOMPARE(pipe.fill(tcp.in, 4096), qint64(BodyPipe::kClosed));
    }
};

QTEST_GUILESS_MAIN(TestBodyPipe)
#include "tst_bodypipe.moc"
