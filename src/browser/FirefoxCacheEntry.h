#pragma once

#include "browser/CacheEntry.h"

class QIODevice;

// One entry file of a Firefox-family browser's disk cache
// ("cache2/entries/<40 hex digits>"), all numbers big-endian:
//   body      the response body as received
//   metadata  hash (4), one 2-byte hash per 256 KiB of body, version (4),
//             fetch count, last fetched, last modified, frecency,
//             expiration (4 each), key size (4), flags (4, from version 2),
//             the key (it ends in ":" + the URL) and a NUL, then
//             "name" NUL "value" NUL pairs, among them "response-head"
//   offset    the body's length (4), the last bytes of the file
// The reader reads only the metadata; every length is checked against the
// file's size.
namespace FirefoxCacheEntry {

constexpr qint64 kMaxMetadata = 1 << 20; // larger metadata is not taken
constexpr qint64 kChunkSize = 256 * 1024;
constexpr quint32 kMaxVersion = 16; // metadata versions read; 1 lacks the flags

// Reads the key and the layout; false (and `entry` unchanged) when the file
// is no complete entry.
bool read(QIODevice &file, CacheEntry &entry);

} // namespace FirefoxCacheEntry
