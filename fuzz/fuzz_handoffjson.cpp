// The wire message of the browser hand-off: what the reader accepts writes
// back to JSON that reads the same.
#include "FuzzInput.h"

#include "browser/HandOffJson.h"
#include "browser/MessageFrames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = FuzzInput::bytes(data, size);
    WireMessage message;
    QString reason;
    if (HandOffJson::read(bytes, &message, &reason)) {
        if (message.type == QLatin1String("handoff")) {
            WireMessage again;
            FuzzInput::require(
                HandOffJson::read(HandOffJson::write(message.handOff), &again, nullptr),
                "a written hand-off reads back");
            FuzzInput::require(again.handOff.text == message.handOff.text &&
                                   again.handOff.links.size() == message.handOff.links.size() &&
                                   again.handOff.cookies == message.handOff.cookies &&
                                   again.handOff.userAgent == message.handOff.userAgent,
                               "a hand-off survives a round trip");
        }
    } else {
        FuzzInput::require(!reason.isEmpty(), "a refusal has a reason");
    }
    // The same bytes as a stream of frames, in two pieces.
    MessageFrames frames(4096);
    frames.append(bytes.left(qsizetype(size / 2)));
    frames.append(bytes.mid(qsizetype(size / 2)));
    QByteArray payload;
    for (int i = 0; i < 10000; ++i)
        if (frames.next(&payload) == MessageFrames::Next::NeedMore) break;
    return 0;
}
