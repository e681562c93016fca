#include "engine/SocketGraveyard.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

class TestSocketGraveyard : public QObject {
    Q_OBJECT
private slots:
    // A socket closed by a nested handler while its own handler waits for
    // events must outlive that wait.
    void socketOutlivesItsOwnEmission() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        auto *first = new QTcpSocket;
        auto *second = new QTcpSocket;
        QPointer<QTcpSocket> watched(first);
        bool aliveAfterWait = false;
        connect(second, &QTcpSocket::connected, this, [&] {
            SocketGraveyard::Scope scope;
            first->abort();
            SocketGraveyard::retire(first); // closed from a nested handler
        });
        connect(first, &QTcpSocket::connected, this, [&] {
            SocketGraveyard::Scope scope;
            second->connectToHost(server.serverAddress(), server.serverPort());
            // Let events run until the nested handler has retired this socket.
            QTRY_VERIFY(SocketGraveyard::pending() == 1);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            aliveAfterWait = !watched.isNull();
        });
        first->connectToHost(server.serverAddress(), server.serverPort());
        QTRY_VERIFY(aliveAfterWait);
        QTRY_VERIFY(watched.isNull()); // deleted once back in the event loop
        QCOMPARE(SocketGraveyard::pending(), 0);
        delete second;
    }

    void outsideAnyHandlerTheSocketGoesAtOnce() {
        QPointer<QTcpSocket> socket(new QTcpSocket);
        SocketGraveyard::retire(socket);
        QCOMPARE(SocketGraveyard::pending(), 0);
        QTRY_VERIFY(socket.isNull());
    }
};

QTEST_GUILESS_MAIN(TestSocketGraveyard)
#include "tst_socketgraveyard.moc"
