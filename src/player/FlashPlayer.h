#pragma once

#include "player/MoviePlayer.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class QTimer;
class RuffleFilesOnly;
class QWebEngineView;
class QWebEngineProfile;

// `flash1`: plays Flash movies with Ruffle inside a web view. The web view
// (and the web engine behind it) is created when the first movie is loaded
// and again after its render process died. The movie is handed over as
// bytes, with a small action added that lets the page ask for the current
// frame and jump to one; the page is asked for its state every 100 ms.
class FlashPlayer : public QWidget, public MoviePlayer {
    Q_OBJECT
public:
    explicit FlashPlayer(QWidget *parent = nullptr);
    ~FlashPlayer() override;
    // What the web engine needs before its first page: called by each entry
    // point of the library.
    static void prepareWebEngine();

    QWidget *widget() override { return this; }
    bool setMovie(const QString &path) override;
    QString Movie() const override { return m_movie; }
    void Play() override;
    void setPlaying(bool playing) override;
    bool Playing() const override { return m_playing; }
    int TotalFrames() const override { return m_totalFrames; }
    int FrameNum() const override { return m_canSeek ? m_frame : 0; }
    void GotoFrame(int frame) override;
    bool CanSeek() const override { return m_canSeek; }
    double FrameRate() const override { return m_frameRate; }
    qint64 PlayTime() const override;
    void setMuted(bool muted) override;

    // The folder holding ruffle.js and player.html: MQ_RUFFLE_DIR, else
    // "ruffle" beside the program, else ../share/moorquill/ruffle (else, for
    // `mq` in the build tree, ../moorquill/ruffle).
    static QString ruffleFolder();
    bool FrameShown() const override { return m_shown; }
    // The last error the page reported for the loaded movie.
    QString lastError() const { return m_error; }
    // Whether the page has the loaded movie (the web engine and Ruffle have
    // started).
    bool MovieSent() const { return !m_movie.isEmpty() && m_pageReady && m_pending.isEmpty(); }
    // The files of the movie's folder the movie has loaded (relative paths).
    QStringList servedFiles() const { return m_served; }
    // The stage as drawn now; a null image when nothing is drawn.
    void snapshot(std::function<void(const QImage &)> done);

private:
    void createView();
    void pageEvent(const QString &message);
    void run(const QString &script);
    void poll();
    void sendMovie();
    void stopClock();

    QWebEngineProfile *m_profile = nullptr;
    RuffleFilesOnly *m_files = nullptr;
    QPointer<QWebEngineView> m_view;
    QTimer *m_poll = nullptr;
    bool m_pageReady = false;
    QByteArray m_pending; // the movie waiting for the page
    QString m_movie;
    QString m_error;
    QJsonObject m_links; // where the movie's requests go (movieLinks)
    QStringList m_served;
    int m_totalFrames = 0;
    int m_frame = 0;
    double m_frameRate = 0;
    bool m_canSeek = false;
    bool m_playing = false;
    bool m_shown = false;
    bool m_muted = false;
    qint64 m_playedMs = 0;
    QElapsedTimer m_clock;
};
