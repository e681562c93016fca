#pragma once

// A stand-in for the web-engine movie player in tests of the windows that
// use it: a movie of N frames (by its header), or a file holding "frames N";
// anything else is damaged. It records what it was asked to do.
#include "base/SwfMovie.h"
#include "common/TestFiles.h"
#include "player/MoviePlayer.h"

#include <QList>
#include <QWidget>

class FakePlayer : public QWidget, public MoviePlayer {
public:
    using QWidget::QWidget;
    QWidget *widget() override { return this; }
    bool setMovie(const QString &path) override {
        if (path.isEmpty()) {
            movie.clear();
            return true;
        }
        const QByteArray bytes = readFileBytes(path);
        const SwfHeader header = readSwfHeader(bytes);
        if (!header.valid && !bytes.startsWith("frames ")) return false;
        movie = path;
        total = header.valid ? header.frameCount : bytes.mid(7).toInt();
        frame = 1;
        playing = true;
        return true;
    }
    QString Movie() const override { return movie; }
    void Play() override {
        playing = true;
        ++plays;
    }
    void setPlaying(bool on) override { playing = on; }
    bool Playing() const override { return playing; }
    int TotalFrames() const override { return total; }
    int FrameNum() const override { return frame; }
    void GotoFrame(int n) override { frame = n, gotos << n; }
    bool CanSeek() const override { return true; }
    double FrameRate() const override { return 12; }
    qint64 PlayTime() const override { return playTime; }
    void setMuted(bool on) override { muted = on; }
    bool FrameShown() const override { return !movie.isEmpty(); }

    QString movie;
    int total = 0, frame = 0, plays = 0;
    bool playing = false, muted = false;
    qint64 playTime = 0;
    QList<int> gotos;
};
