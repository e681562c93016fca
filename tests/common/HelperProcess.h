#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

// A server program from the system (dnsmasq, Python's aiosmtpd, dbus-daemon) run by a
// test on 127.0.0.1 with a generated configuration in a temporary folder,
// stopped when the object goes. start() waits until `ready` says yes.
class HelperProcess {
public:
    HelperProcess();
    ~HelperProcess();

    // The program's path in /usr/sbin, /usr/bin or PATH; empty when missing.
    static QString find(const QString &name);
    // A port on 127.0.0.1 that was free a moment ago.
    static quint16 freePort();

    QString dir() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    bool start(const QString &program, const QStringList &args, const std::function<bool()> &ready,
               QString *error = nullptr);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

// dnsmasq answering MX questions from --mx-host lines on 127.0.0.1:port
// (no upstream servers, no other interface).
bool startDnsmasq(HelperProcess &process, quint16 port, const QStringList &mxHosts,
                  QString *error = nullptr);
// An aiosmtpd sink on 127.0.0.1:port writing each message's data (after the
// server undid the dot-doubling) to <dir>/message-<n>.eml.
bool startSmtpSinkServer(HelperProcess &process, quint16 port, QString *error = nullptr);
// A private session bus (dbus-daemon --session) listening on a socket in the
// process's folder; `address` is what DBUS_SESSION_BUS_ADDRESS would hold.
bool startSessionBus(HelperProcess &process, QString *address, QString *error = nullptr);
