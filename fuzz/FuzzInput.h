#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Helpers shared by the fuzz targets.
namespace FuzzInput {
inline QByteArray bytes(const uint8_t *data, size_t size) {
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}
// Text as the network code sees it: one character per byte.
inline QString latin1(const uint8_t *data, size_t size) {
    return QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
}
// A broken promise of the code under test: reported like a crash.
inline void require(bool condition, const char *what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}
} // namespace FuzzInput
