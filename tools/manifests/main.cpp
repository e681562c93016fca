// Writes the browsers' system-wide native-messaging manifests naming HOST
// (the installed moorquill-host) below ROOT (the install's DESTDIR, "" or
// "/"): the folders where Chromium, Google Chrome and Firefox look for every
// user. Usage: mq_host_manifests HOST ROOT
#include "browser/NativeHostManifests.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || !args[1].startsWith(QLatin1Char('/'))) {
        QTextStream(stderr) << "usage: mq_host_manifests /ABSOLUTE/PATH/moorquill-host ROOT\n";
        return 2;
    }
    const QString host = args[1], root = args[2];
    const QByteArray chromium = NativeHostManifests::chromium(host);
    const bool written =
        NativeHostManifests::writeInto(root + "/etc/chromium/native-messaging-hosts", chromium) &&
        NativeHostManifests::writeInto(root + "/etc/opt/chrome/native-messaging-hosts", chromium) &&
        NativeHostManifests::writeInto(root + "/usr/lib/mozilla/native-messaging-hosts",
                                       NativeHostManifests::firefox(host));
    if (!written) QTextStream(stderr) << "mq_host_manifests: cannot write below " << root << "\n";
    return written ? 0 : 1;
}
