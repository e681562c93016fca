#pragma once

class MoviePlayer;
class QWidget;

// Loads the player library ("libmq_player.so" beside the program, or the
// path in MQ_PLAYER_LIBRARY) and creates a player in `parent`; nullptr when the
// library cannot be loaded.
MoviePlayer *loadMoviePlayer(QWidget *parent);
