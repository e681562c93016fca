#include "player/FlashThumbnailer.h"

#include "player/FlashPlayer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>

namespace {
constexpr int kSecondIn = 1000; // the frame wanted, counted from the first one shown
constexpr int kTickMs = 100;
constexpr int kStageW = 320, kStageH = 240;
constexpr int kStartMs = 60000; // the web engine's and Ruffle's start, under any load
} // namespace

FlashThumbnailer::FlashThumbnailer(QObject *parent) : QObject(parent) {
    m_tick = new QTimer(this);
    m_tick->setInterval(kTickMs);
    connect(m_tick, &QTimer::timeout, this, &FlashThumbnailer::tick);
}

FlashThumbnailer::~FlashThumbnailer() = default;

void FlashThumbnailer::render(const QString &movie, const QString &out, int timeoutMs,
                              std::function<void(bool)> done) {
    if (m_done) return done(false); // one at a time
    if (!m_window) {
        m_window = std::make_unique<QWidget>();
        m_window->setAttribute(Qt::WA_DontShowOnScreen);
        m_window->resize(kStageW, kStageH);
        m_player = new FlashPlayer(m_window.get());
        m_player->resize(kStageW, kStageH);
        m_player->setMuted(true);
        m_window->show();
    }
    if (!m_player->setMovie(movie)) return done(false);
    m_out = out;
    m_timeoutMs = timeoutMs;
    m_done = std::move(done);
    m_clock.start();
    m_sent.invalidate();
    m_shown.invalidate();
    m_asking = false;
    m_tick->start();
}

void FlashThumbnailer::tick() {
    // The time a movie has to show a frame counts from when the page has it.
    if (!m_sent.isValid() && m_player->MovieSent()) m_sent.start();
    if (m_sent.isValid() ? m_sent.elapsed() > m_timeoutMs : m_clock.elapsed() > kStartMs)
        return finish(false);
    if (!m_player->FrameShown() || m_asking) return;
    if (!m_shown.isValid()) m_shown.start();
    // A second in, or the last frame of a shorter movie.
    const double rate = qMax(1.0, m_player->FrameRate());
    const qint64 wait = qMin<qint64>(kSecondIn, qint64(m_player->TotalFrames() * 1000 / rate));
    if (m_shown.elapsed() < wait) return;
    m_asking = true;
    QPointer<FlashThumbnailer> self(this);
    m_player->snapshot([self](const QImage &image) {
        if (!self || !self->m_done) return;
        self->m_asking = false;
        if (image.isNull()) return; // asked again at the next tick
        const QImage small =
            image.scaled(kWidth, kHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QDir().mkpath(QFileInfo(self->m_out).absolutePath());
        QSaveFile file(self->m_out);
        const bool ok =
            file.open(QIODevice::WriteOnly) && small.save(&file, "PNG") && file.commit();
        self->finish(ok);
    });
}

void FlashThumbnailer::finish(bool ok) {
    m_tick->stop();
    m_player->setMovie(QString());
    const std::function<void(bool)> done = std::move(m_done);
    m_done = nullptr;
    if (done) done(ok);
}

extern "C" Q_DECL_EXPORT MovieThumbnailer *mq_create_movie_thumbnailer(QObject *parent) {
    FlashPlayer::prepareWebEngine();
    return new FlashThumbnailer(parent);
}

// `mq thumb MOVIE OUT.png`: the program's own application (mq has none with
// windows), one render, its status: 0 written, 2 no picture.
extern "C" Q_DECL_EXPORT int mq_thumbnail_main(const char *movie, const char *out, int timeoutMs) {
    FlashPlayer::prepareWebEngine();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    static int argc = 1;
    static char name[] = "mq";
    static char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    int status = 2;
    FlashThumbnailer thumbnailer;
    bool ended = false;
    thumbnailer.render(QString::fromLocal8Bit(movie), QString::fromLocal8Bit(out), timeoutMs,
                       [&](bool ok) {
                           status = ok ? 0 : 2;
                           ended = true;
                           app.quit();
                       });
    if (!ended) app.exec();
    return status;
}
