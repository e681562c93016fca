// moorquill-host: started by the browser for the MoorQuill extension; hands
// its messages to the running program (see HostSession).
#include "HostSession.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {
const char kHelp[] =
    "Usage: moorquill-host [--help] [--version]\n"
    "The native-messaging host of MoorQuill. Chromium, Google Chrome and Firefox\n"
    "start it for the MoorQuill extension, finding it through the manifests named\n"
    "moorquill.json in their native-messaging-hosts folders. It reads the\n"
    "extension's messages on standard input and hands them to the running program\n"
    "over a per-user local socket, and starts the program when none runs.\n"
    "It is not meant to be started by hand.\n"
    "\n"
    "Options:\n"
    "  --help      print this help and exit\n"
    "  --version   print the version and exit\n";
} // namespace

int main(int argc, char *argv[]) {
    // The browsers pass the extension's origin or the manifest's path, never these.
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return std::fputs(kHelp, stdout) < 0;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return std::fputs("moorquill-host " MQ_VERSION "\n", stdout) < 0;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("moorquill-host"));
    HostSession session(QCoreApplication::arguments().mid(1));
    QObject::connect(&session, &HostSession::finished, &app, &QCoreApplication::quit);
    return app.exec();
}
