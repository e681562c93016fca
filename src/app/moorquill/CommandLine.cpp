#include "CommandLine.h"

#include <cstdio>
#include <cstring>

namespace {

const char kHelp[] =
    "Usage: moorquill [--help] [--version]\n"
    "A download manager for files and Flash movies: many connections per file,\n"
    "pause and resume across restarts, finished files filed in categories and\n"
    "movies played in the main window.\n"
    "\n"
    "Started without arguments it opens its main window; a second start shows the\n"
    "window of the one already running. Links reach it from the browser's context\n"
    "menu through the extension and moorquill-host. `mq` does the same work without\n"
    "a window.\n"
    "\n"
    "Options:\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Files:\n"
    "  The settings (set.ini) and the job database (default.mqb) live in\n"
    "  $MOORQUILL_HOME when it is set; else beside the program when set.ini or a\n"
    "  file named \"portable\" is there (portable use); else in\n"
    "  $XDG_DATA_HOME/moorquill (~/.local/share/moorquill). Downloads go to\n"
    "  ~/mydown/ unless a category names another folder.\n"
    "\n"
    "Environment:\n"
    "  MOORQUILL_HOME           the folder of the settings and the job database\n"
    "  MOORQUILL_UPDATE_SERVER  [https://]HOST[:PORT] of the update check\n"
    "  QT_QPA_PLATFORM          xcb (X11), wayland or offscreen\n";

} // namespace

std::optional<int> answerCommandLine(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("moorquill " MQ_VERSION "\n", stdout);
            return 0;
        }
    }
    return std::nullopt;
}
