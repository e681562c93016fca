// A movie file on disk: its header, its uncompressed form and the frame hook.
#include "FuzzInput.h"

#include "core/SwfMovie.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray movie = FuzzInput::bytes(data, size);
    readSwfHeader(movie);
    uncompressedSwf(movie);
    hookedSwf(movie);
    return 0;
}
