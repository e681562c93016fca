#pragma once

#include <QString>
#include <functional>

class QObject;

// Makes the picture of a movie: the frame a second in (or the first frame
// of a shorter movie), drawn by the player offscreen and written as a PNG.
// The real one lives in the player library (loadMovieThumbnailer).
class MovieThumbnailer {
public:
    virtual ~MovieThumbnailer() = default;
    // Renders `movie` into the PNG `out` (at most kWidth x kHeight pixels,
    // the stage's shape kept). `done(true)` once it is written;
    // `done(false)` when the movie cannot be played or shows no frame within
    // `timeoutMs` of reaching the player (the player's own start is not
    // counted, up to a minute). One render at a time: a call during one
    // fails at once.
    virtual void render(const QString &movie, const QString &out, int timeoutMs,
                        std::function<void(bool ok)> done) = 0;

    static constexpr int kWidth = 160;
    static constexpr int kHeight = 120;
};

// The entry point of the player library.
using CreateMovieThumbnailer = MovieThumbnailer *(QObject *parent);
