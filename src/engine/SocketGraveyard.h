#pragma once

class QAbstractSocket;

// Closed sockets must not be deleted while one of their own signals may still
// be on the call stack: the job handlers let pending events run, and a
// deferred delete posted from a nested handler would otherwise be carried out
// inside that wait, under the feet of the socket that is still emitting.
// Handlers of socket signals run inside a Scope; a socket retired while any
// Scope is open is deleted later, once the outermost Scope has ended.
namespace SocketGraveyard {

class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;
};

// Hands a closed socket over for deletion.
void retire(QAbstractSocket *socket);

// Sockets waiting for the outermost Scope to end (for tests).
int pending();

} // namespace SocketGraveyard
