// moorquill-host: started by the browser for the MoorQuill extension; hands
// its messages to the running program (see HostSession).
#include "HostSession.h"

#include <QCoreApplication>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("moorquill-host"));
    HostSession session(QCoreApplication::arguments().mid(1));
    QObject::connect(&session, &HostSession::finished, &app, &QCoreApplication::quit);
    return app.exec();
}
