#pragma once

#include <QString>
#include <QtGlobal>

// A local file for raw positioned reads and writes (one file descriptor).
class RawFile {
public:
    RawFile() = default;
    ~RawFile() { close(); }
    RawFile(const RawFile &) = delete;
    RawFile &operator=(const RawFile &) = delete;

    // Opens for reading and writing, created when missing, contents kept.
    bool open(const QString &path);
    bool isOpen() const { return m_fd >= 0; }
    int handle() const { return m_fd; }
    void close();

    // Writes all of `data` at `offset`; false on failure (see error()).
    bool writeAt(qint64 offset, const char *data, qint64 size);
    bool truncate(qint64 size);
    qint64 size() const;

    // Reserves `size` bytes from the start with the file system's fast
    // allocation. Returns 0 on success, else the errno value; EOPNOTSUPP
    // (or EINVAL) means the file system cannot do it and zero writes must.
    int fastAllocate(qint64 size);

    QString error() const { return m_error; }

private:
    void setError(int errnum);
    int m_fd = -1;
    QString m_error;
};
