#include "engine/BodyPipe.h"

#include <cerrno>
#include <unistd.h>

#if defined(__linux__)
#include <fcntl.h>
#endif

namespace {
// The pipe holds a whole block, so a block usually takes one splice each way.
constexpr int kPipeBytes = 512 * 1024;
constexpr qint64 kCopyChunk = 64 * 1024;
} // namespace

BodyPipe::~BodyPipe() {
    discard();
}

void BodyPipe::discard() {
    if (m_read >= 0) ::close(m_read);
    if (m_write >= 0) ::close(m_write);
    m_read = m_write = -1;
    m_pending = 0;
}

bool BodyPipe::open() {
#if defined(__linux__)
    if (m_read >= 0) return true;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    m_read = fds[0];
    m_write = fds[1];
    ::fcntl(m_write, F_SETPIPE_SZ, kPipeBytes); // the default 64 KiB otherwise
    return true;
#else
    return false;
#endif
}

qint64 BodyPipe::fill(int socketFd, qint64 max) {
#if defined(__linux__)
    if (m_pending > 0 || !open()) return kFailed;
    for (;;) {
        const ssize_t n = ::splice(socketFd, nullptr, m_write, nullptr, size_t(max),
                                   SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
        if (n > 0) {
            m_pending = n;
            return n;
        }
        if (n == 0) return kClosed;
        if (errno == EINTR) continue;
        return errno == EAGAIN ? kNothing : kFailed;
    }
#else
    Q_UNUSED(socketFd);
    Q_UNUSED(max);
    return kFailed;
#endif
}

bool BodyPipe::drainTo(int fileFd, qint64 pos, int *errnum) {
#if defined(__linux__)
    while (m_pending > 0) {
        loff_t at = pos;
        const ssize_t n = ::splice(m_read, nullptr, fileFd, &at, size_t(m_pending), SPLICE_F_MOVE);
        if (n > 0) {
            pos += n;
            m_pending -= n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // A file system without splice: the rest goes through memory.
        if (n < 0 && (errno == EINVAL || errno == EOPNOTSUPP))
            return drainByCopy(fileFd, pos, errnum);
        *errnum = n == 0 ? ENOSPC : errno;
        discard();
        return false;
    }
    return true;
#else
    return drainByCopy(fileFd, pos, errnum);
#endif
}

bool BodyPipe::drainByCopy(int fileFd, qint64 pos, int *errnum) {
    char chunk[kCopyChunk];
    while (m_pending > 0) {
        const ssize_t got = ::read(m_read, chunk, size_t(qMin(m_pending, kCopyChunk)));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            *errnum = got == 0 ? EIO : errno;
            discard();
            return false;
        }
        m_pending -= got;
        for (ssize_t done = 0; done < got;) {
            const ssize_t n = ::pwrite(fileFd, chunk + done, size_t(got - done), off_t(pos));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                *errnum = n == 0 ? ENOSPC : errno;
                discard();
                return false;
            }
            done += n;
            pos += n;
        }
    }
    return true;
}
