#pragma once

#include "browser/CacheEntry.h"

class QIODevice;

// One entry file of a Chromium-family browser's disk cache
// ("Cache_Data/<16 hex digits>_0"):
//   header  magic 0xfcfb6d1ba7725c30 (8), version (4), key length (4), key hash (4), pad (4)
//   key     ends in the URL
//   body    the response body as received
//   end     magic 0xf4fa6f45970d41d8 (8), flags (4), crc (4), size (4), pad (4)
//   head    the stored response (status line and headers, NUL-separated)
//   [32-byte key hash when flag 2 is set]
//   end     as above; its size is that of the stored response
// The reader reads only the header, the key and the tail; every length is
// checked against the file's size.
namespace ChromiumCacheEntry {

constexpr quint64 kHeaderMagic = 0xfcfb6d1ba7725c30ULL;
constexpr quint64 kEndMagic = 0xf4fa6f45970d41d8ULL;
constexpr qint64 kHeaderSize = 24;
constexpr qint64 kEndSize = 24;
constexpr qint64 kMaxKey = 1 << 20;  // longer keys are not taken
constexpr qint64 kMaxHead = 1 << 20; // nor longer stored responses

// Reads the key only; false when the file is no entry.
bool readKey(QIODevice &file, QByteArray &key);
// Reads the key and the layout; false (and `entry` unchanged) when the file
// is no complete entry.
bool read(QIODevice &file, CacheEntry &entry);

} // namespace ChromiumCacheEntry
