// A web page as a server sends it: every OBJECT, EMBED and link found in it.
#include "FuzzInput.h"

#include "search/PageScan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    PageScan::scanAll(FuzzInput::bytes(data, size));
    return 0;
}
