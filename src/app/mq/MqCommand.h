#pragma once

#include <QStringList>
#include <functional>

// A sub-command of `mq`: receives the arguments after its name (for
// `mq db dump FILE` the command "db" gets {"dump", "FILE"}) and returns the
// exit status. Failures print one line to stderr.
using MqCommandFn = std::function<int(const QStringList &args)>;

struct MqCommandInfo {
    const char *name;
    const char *usage; // one line for `mq --help`
    MqCommandFn run;
    // The command makes its own application object (one with windows):
    // it runs before `mq` makes its own.
    bool ownApplication = false;
};

// Registers a command; used through MQ_COMMAND in a cmd_*.cpp file.
bool registerMqCommand(const MqCommandInfo &info);

#define MQ_COMMAND_CONCAT2(a, b) a##b
#define MQ_COMMAND_CONCAT(a, b) MQ_COMMAND_CONCAT2(a, b)
#define MQ_COMMAND(name, usage, fn)                                                                \
    static const bool MQ_COMMAND_CONCAT(mqCommandRegistered_, __LINE__) =                          \
        registerMqCommand(MqCommandInfo{name, usage, fn})

// Prints "mq: <message>" to stderr and returns status.
int mqFail(const QString &message, int status = 1);
