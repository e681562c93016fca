// A web page as a server sends it: its body read through the answer reader
// (chunked and/or gzip, deflate or br, as the first byte picks, fed in pieces
// as the second byte picks, cut as the page fetch cuts), decoded to text,
// then every movie, frame and link found in it, each an http:// or https://
// address; the reference decoder, the script reader and the file names on
// the same input.
#include "FuzzInput.h"

#include "engine/HttpAnswer.h"

#include "search/CharRefs.h"
#include "search/PageScan.h"
#include "search/PageText.h"
#include "search/ScriptScan.h"
#include "search/SearchUrl.h"

namespace {
constexpr qint64 kCut = 4 * 1024 * 1024; // the fetch's page cut, smaller to keep runs fast

QByteArray answerBody(const QByteArray &input) {
    if (input.size() < 2) return input;
    const quint8 pick = quint8(input[0]);
    const qsizetype piece = 1 + quint8(input[1]) * 7;
    static const char *const codings[] = {"", "gzip", "deflate", "br"};
    QByteArray header = "HTTP/1.1 200 OK\r\n";
    if (pick & 1) header += "Transfer-Encoding: chunked\r\n";
    header += QByteArray("Content-Encoding: ") + codings[(pick >> 1) & 3] + "\r\n\r\n";
    const QByteArray wire = header + input.mid(2);
    HttpAnswer answer;
    QByteArray rest, page;
    for (qsizetype at = 0; at < wire.size() && answer.headerPending(); at += piece)
        answer.collect(wire.constData() + at, qMin(piece, wire.size() - at), false, &rest);
    FuzzInput::require(!answer.headerPending(), "the header was not read");
    FuzzInput::require(answer.startBody(true), "a known coding refused");
    const auto sink = [&page](const char *bytes, qint64 n) {
        page.append(bytes, qsizetype(n));
        return page.size() <= kCut;
    };
    bool go = answer.body(rest.constData(), rest.size(), sink);
    // The rest of the wire again in pieces, as reads split it.
    for (qsizetype at = header.size() + rest.size(); go && at < wire.size(); at += piece)
        go = answer.body(wire.constData() + at, qMin(piece, wire.size() - at), sink);
    FuzzInput::require(page.size() <= kCut + HttpAnswer::kStep, "decoded past the cut");
    return page;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input = FuzzInput::bytes(data, size);
    const QByteArray bytes = answerBody(input);
    const QString text = PageText::Decode(bytes, PageText::MetaCharset(input));
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
