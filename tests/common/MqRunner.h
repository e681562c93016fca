#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QString>
#include <QStringList>

// Runs the built `mq` with arguments while the test's event loop keeps its
// servers answering; the exit code, or -1 when it did not start or end.
struct MqRunner {
    QProcess process;
    static QString binary() {
        return qEnvironmentVariable("MQ_BINARY_DIR") + QStringLiteral("/src/app/mq/mq");
    }
    int run(const QStringList &args, const QProcessEnvironment &env = {}, int timeoutMs = 30000) {
        if (!env.isEmpty()) process.setProcessEnvironment(env);
        process.start(binary(), args);
        if (!process.waitForStarted(5000)) return -1;
        QSignalSpy done(&process, &QProcess::finished);
        if (process.state() != QProcess::NotRunning && !done.wait(timeoutMs)) return -1;
        return process.exitCode();
    }
    QByteArray out() { return process.readAllStandardOutput(); }
    QByteArray err() { return process.readAllStandardError(); }
};

// What a finished `mq` run gave; status -1 when it did not end normally.
struct MqResult {
    int status = -1;
    QByteArray out, err;
};

// Runs `mq` to its end without an event loop, for commands that talk to no
// test server.
inline MqResult runMq(const QStringList &args, const QProcessEnvironment &env = {}) {
    QProcess p;
    if (!env.isEmpty()) p.setProcessEnvironment(env);
    p.start(MqRunner::binary(), args);
    MqResult r;
    if (!p.waitForFinished(30000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
