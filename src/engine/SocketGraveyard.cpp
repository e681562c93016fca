#include "engine/SocketGraveyard.h"

#include <QAbstractSocket>
#include <QPointer>
#include <QVector>

namespace {
int g_depth = 0;

QVector<QPointer<QAbstractSocket>> &waiting() {
    static QVector<QPointer<QAbstractSocket>> sockets;
    return sockets;
}
} // namespace

SocketGraveyard::Scope::Scope() {
    ++g_depth;
}

SocketGraveyard::Scope::~Scope() {
    if (--g_depth > 0) return;
    // No socket handler is on the stack any more: the deferred deletes posted
    // here run only after the emission that called the outermost handler.
    const QVector<QPointer<QAbstractSocket>> sockets = std::move(waiting());
    waiting().clear();
    for (const QPointer<QAbstractSocket> &socket : sockets)
        if (socket) socket->deleteLater();
}

void SocketGraveyard::retire(QAbstractSocket *socket) {
    if (g_depth == 0)
        socket->deleteLater();
    else
        waiting().append(socket);
}

int SocketGraveyard::pending() {
    return int(waiting().size());
}
