// A DNS reply to the MX query: the mail hosts read from it.
#include "FuzzInput.h"

#include "mail/DnsMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    DnsMessage::ParseMxAnswers(FuzzInput::bytes(data, size));
    return 0;
}
