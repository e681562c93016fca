// A movie file on disk: its header, its uncompressed form and the frame hook;
// the streaming reader's facts, verdict and names, and the addresses those
// names give.
#include "FuzzInput.h"

#include "base/SwfMovie.h"
#include "movies/MovieDeps.h"
#include "movies/SwfScan.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray movie = FuzzInput::bytes(data, size);
    readSwfHeader(movie);
    uncompressedSwf(movie);
    hookedSwf(movie);

    QBuffer file;
    file.setData(movie);
    file.open(QIODevice::ReadOnly);
    SwfScanOptions options;
    options.names = true;
    options.maxBody = 64 * 1024 * 1024; // a hostile stream expands this far, no further
    SwfScan scan(file, options);
    int slices = 0;
    while (!scan.step(256 * 1024))
        ++slices;
    const MovieFacts &facts = scan.facts();
    FuzzInput::require(facts.whole == facts.problem.isEmpty(), "a verdict with its reason");
    FuzzInput::require(facts.whole || !facts.signature.isEmpty() || facts.problem.size() > 0,
                       "a damaged movie names its problem");
    FuzzInput::require(scan.names().size() <= options.maxNames, "names bounded");
    const QStringList addresses = MovieDeps::resolve(scan.names(), "http://h.example/a/m.swf");
    FuzzInput::require(addresses.size() <= MovieDeps::kMaxAddresses, "addresses bounded");
    for (const QString &address : addresses)
        FuzzInput::require(
            !MovieDeps::localPath("http://h.example/a/m.swf", address).split('/').contains(".."),
            "a place never leaves the movie's folder");
    return 0;
}
