// A web page as a server sends it: decoded to text, then every movie, frame
// and link found in it, each an http:// or https:// address; the reference
// decoder, the script reader and the file names on the same input.
#include "FuzzInput.h"

#include "search/CharRefs.h"
#include "search/PageScan.h"
#include "search/PageText.h"
#include "search/ScriptScan.h"
#include "search/SearchUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = FuzzInput::bytes(data, size);
    const QString text = PageText::Decode(bytes);
    static const QUrl page(QStringLiteral("http://h.test/dir/page.htm"));
    for (const PageScan::Find &f : PageScan::scanAll(text, page)) {
        const QUrl url(f.address, QUrl::StrictMode);
        FuzzInput::require(url.scheme() == QLatin1String("http") ||
                               url.scheme() == QLatin1String("https"),
                           "a find outside http and https");
        FuzzInput::require(!url.host().isEmpty(), "a find without a host");
        FuzzInput::require(f.address.size() <= 9 * SearchUrl::kMaxAddress + 256,
                           "an address past the bound");
        const QString name = SearchUrl::SaveName(url);
        FuzzInput::require(!name.contains(QLatin1Char('/')) && name != QLatin1String(".."),
                           "a file name leaving its folder");
    }
    PageScan::GetHref(text);
    CharRefs::DecodeAttribute(text);
    ScriptScan script(text);
    QString address;
    while (script.next(address, 4096) || !script.atEnd()) {
    }
    return 0;
}
