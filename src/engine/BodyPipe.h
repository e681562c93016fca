#pragma once

#include <QtGlobal>

// Carries a plain body from a TCP socket to the job's file inside the kernel
// (Linux splice through a pipe): the bytes are never copied into the
// program. One pipe serves all the parts of a job; whoever fills it drains
// it before the event loop runs again. Elsewhere than on Linux it is never
// usable and the parts read through their sockets as usual.
class BodyPipe {
public:
    BodyPipe() = default;
    ~BodyPipe();
    BodyPipe(const BodyPipe &) = delete;
    BodyPipe &operator=(const BodyPipe &) = delete;

    // What fill() found on the socket.
    enum : qint64 { kClosed = 0, kNothing = -1, kFailed = -2 };
    // Moves up to `max` bytes waiting on the non-blocking socket `socketFd`
    // into the pipe: the count moved, kClosed once the peer has closed,
    // kNothing when nothing waits, kFailed on an error or when no pipe can
    // be made (the socket is then left to its owner).
    qint64 fill(int socketFd, qint64 max);
    qint64 pending() const { return m_pending; }
    // Moves all pending bytes into `fileFd` at `pos`; false with the errno
    // value when the file refused them (the pipe is emptied either way).
    bool drainTo(int fileFd, qint64 pos, int *errnum);
    // Drops whatever is pending.
    void discard();

private:
    bool open();
    bool drainByCopy(int fileFd, qint64 pos, int *errnum);
    int m_read = -1, m_write = -1;
    qint64 m_pending = 0;
};
