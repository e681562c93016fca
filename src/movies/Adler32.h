#pragma once

#include <QtGlobal>
#include <cstddef>

// The Adler-32 checksum of a zlib stream, carried on from `adler` (1 for a
// new stream) over `n` more bytes. The same value zlib's adler32() gives,
// about five times as fast on x86-64, where it sums 16 bytes at a time.
quint32 adler32Update(quint32 adler, const uchar *data, size_t n);
