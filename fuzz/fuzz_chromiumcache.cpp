// One entry file of a Chromium-family disk cache, and the decoding of its body.
#include "CacheFuzz.h"

#include "browser/ChromiumCacheEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    CacheFuzz::run(data, size, [](QIODevice &file, CacheEntry &entry) {
        return ChromiumCacheEntry::read(file, entry);
    });
    return 0;
}
