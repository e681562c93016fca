#pragma once

#include <QString>
#include <functional>

class RawFile;

// Gives a file its full size in zero bytes before any data arrives: the file
// system's fast allocation where it works, else zero writes in blocks of at
// most kZeroBlock bytes. Existing contents are dropped first, so every byte
// reads as zero afterwards.
class FilePreallocator {
public:
    static constexpr qint64 kZeroBlock = 1023000;
    // (bytes done, total): called once at the start, after each zero block
    // and once at the end.
    using Progress = std::function<void(qint64, qint64)>;

    // Returns false with `error` set when the file cannot have that size.
    static bool Allocate(RawFile &file, qint64 size, const Progress &progress, QString *error);

    // Tests switch the fast path off to exercise the zero writes.
    static bool forceZeroWrites;
};
