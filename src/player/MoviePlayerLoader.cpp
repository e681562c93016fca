#include "player/MoviePlayerLoader.h"

#include "player/MoviePlayer.h"
#include "player/MovieThumbnailer.h"
#include "player/PlayerLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QOpenGLContext>
#include <QtDebug>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

namespace {

QOpenGLContext *g_shareContext = nullptr;

void deleteShareContext() {
    qt_gl_set_global_share_context(nullptr);
    delete g_shareContext;
    g_shareContext = nullptr;
}

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

// The web engine draws through OpenGL contexts that share with one global
// context. Qt::AA_ShareOpenGLContexts set before the application would have Qt
// make that context at start-up, loading the whole OpenGL stack (some 60 MB)
// even when no movie is ever played; so it is made here, before the web engine
// loads.
void ensureShareContext() {
    if (qt_gl_global_share_context()) return;
    g_shareContext = new QOpenGLContext;
    if (!g_shareContext->create()) qWarning("No OpenGL context for the movie player.");
    qt_gl_set_global_share_context(g_shareContext);
    // Post routines run first in the application's destructor, while the
    // platform that owns the context is still there.
    qAddPostRoutine(deleteShareContext);
    // Widgets that host Qt Quick (the web view) keep their scene across window
    // changes only with this set; Qt warns that it comes late, which it may
    // here, the context it asks for being made.
    const QtMessageHandler previous = qInstallMessageHandler(dropMessage);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qInstallMessageHandler(previous);
}

// The named entry point of the player library; nullptr when it cannot be loaded.
QFunctionPointer playerEntry(const char *name) {
    for (const QString &path : playerLibraryCandidates()) {
        if (!QFileInfo::exists(path)) continue;
        ensureShareContext();
        QLibrary library(path); // stays loaded for the program's life
        if (QFunctionPointer entry = library.resolve(name)) return entry;
    }
    qWarning("The movie player library could not be loaded.");
    return nullptr;
}

} // namespace

MoviePlayer *loadMoviePlayer(QWidget *parent) {
    auto *create = reinterpret_cast<CreateMoviePlayer *>(playerEntry("mq_create_movie_player"));
    return create ? create(parent) : nullptr;
}

MovieThumbnailer *loadMovieThumbnailer(QObject *parent) {
    auto *create =
        reinterpret_cast<CreateMovieThumbnailer *>(playerEntry("mq_create_movie_thumbnailer"));
    return create ? create(parent) : nullptr;
}
