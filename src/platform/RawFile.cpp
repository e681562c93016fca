#include "platform/RawFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool RawFile::open(const QString &path) {
    close();
    const QByteArray name = QFile::encodeName(path);
    do {
        m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        setError(errno);
        return false;
    }
    return true;
}

void RawFile::close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool RawFile::writeAt(qint64 offset, const char *data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, data, size_t(size), off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            setError(errno);
            return false;
        }
        if (n == 0) {
            setError(ENOSPC);
            return false;
        }
        data += n;
        offset += n;
        size -= n;
    }
    return true;
}

bool RawFile::truncate(qint64 size) {
    if (::ftruncate(m_fd, off_t(size)) == 0) return true;
    setError(errno);
    return false;
}

qint64 RawFile::size() const {
    struct stat st;
    return ::fstat(m_fd, &st) == 0 ? qint64(st.st_size) : -1;
}

int RawFile::fastAllocate(qint64 size) {
    if (size <= 0) return 0;
    // fallocate() rather than posix_fallocate(): the latter silently falls
    // back to writing where the file system cannot allocate.
    int rc;
    do {
        rc = ::fallocate(m_fd, 0, 0, off_t(size)) == 0 ? 0 : errno;
    } while (rc == EINTR);
    if (rc != 0) setError(rc);
    return rc;
}

void RawFile::setError(int errnum) {
    m_error = QString::fromLocal8Bit(std::strerror(errnum));
}
