#pragma once

class MoviePlayer;
class MovieThumbnailer;
class QObject;
class QWidget;

// Loads the player library (see PlayerLibrary.h) and creates a player in
// `parent`; nullptr when the library cannot be loaded.
MoviePlayer *loadMoviePlayer(QWidget *parent);
// The same library's thumbnail maker; nullptr when it cannot be loaded.
MovieThumbnailer *loadMovieThumbnailer(QObject *parent);
