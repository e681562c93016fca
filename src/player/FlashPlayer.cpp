#include "player/FlashPlayer.h"

#include "base/SwfMovie.h"
#include "movies/MovieCache.h"
#include "movies/MovieDeps.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <functional>
#include <unistd.h>

// The page may read Ruffle's own files, in-page data and the files in the
// folder of the movie it plays (what the movie loads, kept beside it); every
// other request (network, other local files) is refused, whatever the movie
// asks for.
class RuffleFilesOnly : public QWebEngineUrlRequestInterceptor {
public:
    RuffleFilesOnly(const QString &folder, QObject *parent)
        : QWebEngineUrlRequestInterceptor(parent), m_folder(QDir::cleanPath(folder) + '/') {}
    void setMovieFolder(const QString &folder) {
        m_movieFolder = folder.isEmpty() ? QString() : QDir::cleanPath(folder) + '/';
    }
    void interceptRequest(QWebEngineUrlRequestInfo &info) override {
        const QUrl url = info.requestUrl();
        const QString scheme = url.scheme();
        const QString file = url.isLocalFile() ? QDir::cleanPath(url.toLocalFile()) : QString();
        const bool beside = !m_movieFolder.isEmpty() && file.startsWith(m_movieFolder);
        const bool allowed = scheme == QLatin1String("data") || scheme == QLatin1String("blob") ||
                             (!file.isEmpty() && file.startsWith(m_folder)) || beside;
        if (!allowed) info.block(true);
        if (beside && served) served(file.mid(m_movieFolder.size()));
        if (qEnvironmentVariableIsSet("MQ_PLAYER_DEBUG"))
            qDebug("request %s: %s", allowed ? "allowed" : "refused", qPrintable(url.toString()));
    }
    std::function<void(const QString &)> served;

private:
    QString m_folder, m_movieFolder;
};

namespace {

// Where the movie's requests go: relative names resolve under the address
// the movie came from (or its own folder), and what lies under that address
// or is named by the movie is rewritten to the files kept beside it.
QJsonObject movieLinks(const QString &path) {
    const QString folder = QFileInfo(path).absolutePath() + QLatin1Char('/');
    const QString local = QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded);
    const MovieEntry entry = MovieCache().load(path);
    QJsonArray prefixes, exact;
    QString base = local;
    if (!entry.origin.isEmpty()) {
        base = MovieDeps::folderUrl(entry.origin);
        prefixes.append(QJsonArray{base, local});
        for (const QString &address : MovieDeps::resolve(entry.names, entry.origin))
            if (!address.startsWith(base))
                exact.append(QJsonArray{
                    address,
                    QUrl::fromLocalFile(folder + MovieDeps::localPath(entry.origin, address))
                        .toString(QUrl::FullyEncoded)});
    }
    return {{"base", base}, {"prefixes", prefixes}, {"exact", exact}};
}

// Stays on the player page and passes the page's "mq:" console lines on.
class PlayerPage : public QWebEnginePage {
public:
    PlayerPage(QWebEngineProfile *profile, const QUrl &home, QObject *parent)
        : QWebEnginePage(profile, parent), m_home(home) {}
    std::function<void(const QString &)> onEvent;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override {
        return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment) == m_home;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int,
                                  const QString &) override {
        if (qEnvironmentVariableIsSet("MQ_PLAYER_DEBUG")) qDebug("page: %s", qPrintable(message));
        if (message.startsWith(QLatin1String("mq:")) && onEvent) onEvent(message.mid(3));
    }

private:
    QUrl m_home;
};

constexpr qint64 kMaxMovieFile = 256 * 1024 * 1024;

} // namespace

FlashPlayer::FlashPlayer(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FlashPlayer"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_poll = new QTimer(this);
    m_poll->setInterval(100);
    connect(m_poll, &QTimer::timeout, this, &FlashPlayer::poll);
    hide(); // the panel's own background shows while nothing plays
}

FlashPlayer::~FlashPlayer() {
    delete m_view; // pages go before their profile
}

QString FlashPlayer::ruffleFolder() {
    const QString wanted = qEnvironmentVariable("MQ_RUFFLE_DIR");
    if (!wanted.isEmpty()) return wanted;
    const QString appDir = QCoreApplication::applicationDirPath();
    for (const QString &dir :
         {appDir + QStringLiteral("/ruffle"),
          QDir::cleanPath(appDir + QStringLiteral("/../share/moorquill/ruffle")),
          QDir::cleanPath(appDir + QStringLiteral("/../moorquill/ruffle"))}) // mq, build tree
        if (QFileInfo::exists(dir + QStringLiteral("/player.html"))) return dir;
    return appDir + QStringLiteral("/ruffle");
}

void FlashPlayer::createView() {
    if (!m_profile) {
        m_profile = new QWebEngineProfile(this); // off the record: nothing is stored
        m_files = new RuffleFilesOnly(ruffleFolder(), m_profile);
        m_files->served = [this](const QString &file) { m_served << file; };
        m_profile->setUrlRequestInterceptor(m_files);
        m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    }
    const QUrl home = QUrl::fromLocalFile(ruffleFolder() + QStringLiteral("/player.html"));
    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("flashView"));
    auto *page = new PlayerPage(m_profile, home, m_view);
    page->onEvent = [this](const QString &message) { pageEvent(message); };
    page->setBackgroundColor(palette().color(QPalette::Window));
    QWebEngineSettings *s = page->settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    s->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    m_view->setPage(page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    layout()->addWidget(m_view);
    m_pageReady = false;
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        m_pageReady = ok;
        if (!ok) m_error = QStringLiteral("the player page could not be loaded");
        if (ok && !m_pending.isEmpty()) sendMovie();
    });
    // A crashed render process takes only the view: the next movie gets a new one.
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus) return;
                m_error = QStringLiteral("the player's render process ended");
                m_pageReady = false;
                m_poll->stop();
                stopClock();
                m_playing = false;
                if (m_view) m_view->deleteLater();
                m_view = nullptr;
            });
    m_view->load(home);
}

bool FlashPlayer::setMovie(const QString &path) {
    if (path.isEmpty()) {
        run(QStringLiteral("mqClose()"));
        m_movie.clear();
        m_pending.clear();
        m_poll->stop();
        stopClock();
        m_playing = false;
        m_totalFrames = m_frame = 0;
        hide();
        return true;
    }
    QFile file(path);
    if (file.size() > kMaxMovieFile || !file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    const SwfHeader header = readSwfHeader(bytes);
    if (!header.valid) return false;
    QByteArray movie = hookedSwf(bytes);
    m_canSeek = !movie.isEmpty();
    if (!m_canSeek) movie = bytes; // ActionScript 3 plays as it is
    m_movie = path;
    m_served.clear();
    m_links = movieLinks(path);
    if (!m_view) createView();
    m_files->setMovieFolder(QFileInfo(path).absolutePath());
    m_totalFrames = header.frameCount;
    m_frameRate = header.frameRate;
    m_frame = 0;
    m_error.clear();
    m_shown = false;
    m_playing = true; // a new movie starts by itself
    m_playedMs = 0;
    m_clock.start();
    m_pending = movie;
    if (m_pageReady) sendMovie();
    show();
    m_poll->start();
    return true;
}

void FlashPlayer::sendMovie() {
    const QString name = QFileInfo(m_movie).fileName();
    run(QStringLiteral("mqLoad('%1', %2, %3, %4, %5)")
            .arg(QString::fromLatin1(m_pending.toBase64()),
                 QString::fromUtf8(
                     QJsonDocument::fromVariant(QVariantList{name}).toJson(QJsonDocument::Compact))
                     .mid(1)
                     .chopped(1),
                 m_muted ? QStringLiteral("true") : QStringLiteral("false"),
                 m_canSeek ? QStringLiteral("true") : QStringLiteral("false"),
                 QString::fromUtf8(QJsonDocument(m_links).toJson(QJsonDocument::Compact))));
    m_pending.clear();
}

void FlashPlayer::run(const QString &script) {
    if (m_view && m_pageReady) m_view->page()->runJavaScript(script);
}

void FlashPlayer::pageEvent(const QString &message) {
    if (message == QLatin1String("shown"))
        m_shown = true;
    else if (message == QLatin1String("dblclick") && doubleClicked)
        doubleClicked();
    else if (message.startsWith(QLatin1String("error ")))
        m_error = message.mid(6);
}

void FlashPlayer::snapshot(std::function<void(const QImage &)> done) {
    if (!m_view || !m_pageReady) return done(QImage());
    QPointer<FlashPlayer> self(this);
    m_view->page()->runJavaScript(QStringLiteral("mqSnapshot()"), [self, done](const QVariant &v) {
        const QString url = v.toString();
        const int comma = int(url.indexOf(QLatin1Char(',')));
        done(!self || comma < 0
                 ? QImage()
                 : QImage::fromData(QByteArray::fromBase64(url.mid(comma + 1).toLatin1()), "PNG"));
    });
}

void FlashPlayer::poll() {
    if (!m_view || !m_pageReady || !m_pending.isEmpty()) return;
    QPointer<FlashPlayer> self(this);
    m_view->page()->runJavaScript(QStringLiteral("mqFrame()"), [self](const QVariant &frame) {
        if (!self || self->m_movie.isEmpty()) return;
        const int n = frame.toInt();
        if (n > 0) self->m_frame = n;
    });
}

void FlashPlayer::Play() {
    if (m_movie.isEmpty()) return;
    run(QStringLiteral("mqPlay()"));
    if (!m_playing) m_clock.start();
    m_playing = true;
}

void FlashPlayer::setPlaying(bool playing) {
    if (playing) {
        Play();
        return;
    }
    run(QStringLiteral("mqPause()"));
    stopClock();
    m_playing = false;
}

void FlashPlayer::GotoFrame(int frame) {
    if (!m_canSeek || m_movie.isEmpty() || m_totalFrames <= 0) return;
    frame = qBound(1, frame, m_totalFrames);
    run(QStringLiteral("mqGoto(%1, %2)")
            .arg(frame)
            .arg(m_playing ? QStringLiteral("true") : QStringLiteral("false")));
    m_frame = frame;
}

qint64 FlashPlayer::PlayTime() const {
    return m_playedMs + (m_playing && m_clock.isValid() ? m_clock.elapsed() : 0);
}

void FlashPlayer::stopClock() {
    if (m_playing && m_clock.isValid()) m_playedMs += m_clock.elapsed();
    m_clock.invalidate();
}

void FlashPlayer::setMuted(bool muted) {
    m_muted = muted;
    run(muted ? QStringLiteral("mqMute(true)") : QStringLiteral("mqMute(false)"));
}

// Ruffle is 14 MB of WebAssembly. Compiled up front, and optimised again in
// the background while the first movie starts, it costs a second before the
// first frame; compiled function by function as it runs, with the baseline
// compiler only, the first frame comes about a third sooner and the
// optimiser never competes with playback for the processor. A user's own
// JavaScript flags are left as they are.
static void preferQuickWasmStart() {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("--js-flags")) return;
    if (!flags.isEmpty()) flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            flags + "--js-flags=\"--wasm-lazy-compilation --liftoff-only\"");
}

void FlashPlayer::prepareWebEngine() {
    // The web engine refuses to start sandboxed for root.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    preferQuickWasmStart();
}

extern "C" Q_DECL_EXPORT MoviePlayer *mq_create_movie_player(QWidget *parent) {
    FlashPlayer::prepareWebEngine();
    return new FlashPlayer(parent);
}
