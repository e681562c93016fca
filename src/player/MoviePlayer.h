#pragma once

#include <QString>
#include <functional>

class QWidget;

// The movie player of the main window (`flash1`), as the main window sees it.
// The real player (FlashPlayer) lives in a library of its own that is loaded
// when the first movie plays; tests put a stand-in behind the same interface.
class MoviePlayer {
public:
    virtual ~MoviePlayer() = default;

    virtual QWidget *widget() = 0;
    // Movie = path: loads the movie and starts it; "" closes the movie.
    // Returns false (and changes nothing) when the file is missing or is not
    // a movie that can be read.
    virtual bool setMovie(const QString &path) = 0;
    virtual QString Movie() const = 0;
    virtual void Play() = 0;
    virtual void setPlaying(bool playing) = 0; // false pauses
    virtual bool Playing() const = 0;
    virtual int TotalFrames() const = 0;
    // The root timeline's current frame (1-based); 0 when no frame is known,
    // always for movies that cannot be followed (ActionScript 3).
    virtual int FrameNum() const = 0;
    virtual void GotoFrame(int frame) = 0;
    // Whether FrameNum and GotoFrame work for the loaded movie.
    virtual bool CanSeek() const = 0;
    virtual double FrameRate() const = 0;
    // Milliseconds the loaded movie has been playing (pauses not counted).
    virtual qint64 PlayTime() const = 0;
    virtual void setMuted(bool muted) = 0;
    // True once the loaded movie's first frame is on the screen.
    virtual bool FrameShown() const = 0;

    // Called when the user double-clicks the movie.
    std::function<void()> doubleClicked;
};

// The entry point of the player library.
using CreateMoviePlayer = MoviePlayer *(QWidget *parent);
