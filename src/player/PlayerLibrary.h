#pragma once

#include <QStringList>

// Where the player library ("libmq_player.so") may be, in order: the path
// in MQ_PLAYER_LIBRARY, beside the program, beside the window program of
// the build tree (for `mq`), and in the installed lib[/<multiarch>]/moorquill
// folder.
QStringList playerLibraryCandidates();
