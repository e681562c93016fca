#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <memory>

// Undoes one HTTP content coding ("identity", "gzip"/"x-gzip", "deflate",
// "br") as the bytes stream in. Output comes in bounded steps, so a small
// input that expands enormously never needs more memory than one step.
class ContentDecoder {
public:
    virtual ~ContentDecoder() = default;

    // The decoder of a Content-Encoding value (case and blanks ignored;
    // "" and "none" are identity); null for a coding it does not know.
    static std::unique_ptr<ContentDecoder> Create(QByteArrayView coding);
    static bool IsIdentity(QByteArrayView coding);

    // Takes bytes from the front of `in` (it is moved past them) and appends
    // at most `maxOut` decoded bytes to `out`. False on damaged data. Bytes
    // behind the end of the coded stream are taken and ignored.
    virtual bool decode(QByteArrayView &in, QByteArray &out, qsizetype maxOut) = 0;
    // The coded stream has ended.
    virtual bool finished() const = 0;

    // Feeds all of `in` and hands the output to `sink` in pieces of at most
    // `step` bytes; `sink` returns false to stop. Ok, Stopped or Damaged.
    enum Result { Ok, Stopped, Damaged };
    template <typename Sink> Result feedAll(QByteArrayView in, qsizetype step, Sink &&sink) {
        QByteArray out;
        for (;;) {
            out.clear();
            const qsizetype before = in.size();
            if (!decode(in, out, step)) return Damaged;
            if (!out.isEmpty() && !sink(out)) return Stopped;
            // Output fills whole steps while more waits inside the decoder.
            if (in.isEmpty() && out.size() < step) return Ok;
            if (out.isEmpty() && in.size() == before) return Damaged; // no progress
        }
    }
};
