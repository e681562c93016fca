#pragma once

#include <optional>

// The program takes no arguments of its own except --help and --version,
// which print their text and end it before any window is made. Returns the
// exit status for those; nothing for every other command line, which the
// program (and Qt, for its own options) carries on with.
std::optional<int> answerCommandLine(int argc, char **argv);
