#include "app/mq/MqCommand.h"

#include <QCoreApplication>
#include <QTextStream>
#include <map>
#include <string>

namespace {
std::map<std::string, MqCommandInfo> &registry() {
    static std::map<std::string, MqCommandInfo> commands;
    return commands;
}

int usage(int status) {
    QTextStream out(status == 0 ? stdout : stderr);
    out << "Usage: mq COMMAND [ARGS...]\n"
        << "The command-line companion of MoorQuill: works on its files and downloads\n"
        << "without a window. Exit status 0 on success; on failure one line on stderr.\n\n"
        << "Commands:\n";
    for (const auto &entry : registry())
        out << "  mq " << entry.second.usage << "\n";
    return status;
}
} // namespace

bool registerMqCommand(const MqCommandInfo &info) {
    registry()[info.name] = info;
    return true;
}

int mqFail(const QString &message, int status) {
    QTextStream(stderr) << "mq: " << message << "\n";
    return status;
}

int main(int argc, char *argv[]) {
    if (argc >= 2) {
        const auto own = registry().find(argv[1]);
        if (own != registry().end() && own->second.ownApplication) {
            QStringList args;
            for (int i = 2; i < argc; ++i)
                args << QString::fromLocal8Bit(argv[i]);
            return own->second.run(args);
        }
    }
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) return usage(1);
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) return usage(0);
    if (name == QLatin1String("--version")) {
        QTextStream(stdout) << "mq " MQ_VERSION "\n";
        return 0;
    }
    const auto it = registry().find(name.toStdString());
    if (it == registry().end())
        return mqFail(QStringLiteral("unknown command '%1' (see mq --help)").arg(name));
    return it->second.run(args);
}
