#include "engine/FilePreallocator.h"

#include "platform/RawFile.h"

#include <QByteArray>
#include <cerrno>

bool FilePreallocator::forceZeroWrites = false;

bool FilePreallocator::Allocate(RawFile &file, qint64 size, const Progress &progress,
                                QString *error) {
    auto fail = [&]() {
        if (error) *error = file.error();
        return false;
    };
    if (progress) progress(0, size);
    if (file.size() != 0 && !file.truncate(0)) return fail();
    const int rc = forceZeroWrites ? EOPNOTSUPP : file.fastAllocate(size);
    if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL && rc != ENOSYS) return fail();
    if (rc != 0) {
        const QByteArray zeros(int(qMin(size, kZeroBlock)), '\0');
        for (qint64 done = 0; done < size;) {
            const qint64 block = qMin(kZeroBlock, size - done);
            if (!file.writeAt(done, zeros.constData(), block)) return fail();
            done += block;
            if (progress && done < size) progress(done, size);
        }
    }
    if (progress) progress(size, size);
    return true;
}
