// The update server's answer: the verdict on a newer version.
#include "FuzzInput.h"

#include "update/UpdateVerdict.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    UpdateText::Evaluate(FuzzInput::bytes(data, size), QStringLiteral("1.3"));
    return 0;
}
