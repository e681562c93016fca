// A received block from a server: header end, status, length, location.
#include "FuzzInput.h"

#include "engine/HttpExchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray block = FuzzInput::bytes(data, size);
    const int length = HttpExchange::HeaderLength(block);
    FuzzInput::require(length <= int(block.size()), "header longer than the block");
    const QString header = HttpExchange::GetHeaderPart(block);
    for (const QString &h : {header, FuzzInput::latin1(data, size)}) {
        HttpExchange::GetStatusCode(h);
        HttpExchange::LeadingNumber(HttpExchange::GetContentLength(h));
        HttpExchange::ResolveLocation(QStringLiteral("http://host/dir/page.html"),
                                      HttpExchange::GetLocation(h));
        HttpExchange::IsRangeNotSatisfiable(h);
    }
    return 0;
}
