// A download address: ParseUrl, the request built from it, and a Location
// resolved against it (input: "url\nlocation").
#include "FuzzInput.h"

#include "engine/HttpExchange.h"
#include "jobs/DownJobRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = FuzzInput::latin1(data, size);
    const int cut = int(text.indexOf(QLatin1Char('\n')));
    DownJobRecord job;
    job.Url = cut < 0 ? text : text.left(cut);
    job.Parts = 1;
    if (HttpExchange::ParseUrl(job)) {
        HttpExchange::RequestText(job, 0);
        HttpExchange::RequestText(job, 12345, QStringLiteral("\"etag\""));
    }
    if (cut >= 0) HttpExchange::ResolveLocation(job.Url, text.mid(cut + 1));
    return 0;
}
