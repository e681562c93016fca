#pragma once

#include <QString>
#include <QTemporaryDir>

class NginxServer;

// A certificate authority of its own, made with the openssl tool, and
// server certificates it signs, for the TLS tests. available() is false
// when openssl is missing.
class TestCerts {
public:
    TestCerts();
    static bool available();
    // Makes the authority `name` (ca-<name>.pem, key ca-<name>.key).
    bool makeCa(const QString &name, QString *error);
    // A server certificate for the subject alternative name `san` (for
    // example "IP:127.0.0.1"), signed by authority `ca`: <name>.pem, <name>.key.
    bool makeServer(const QString &name, const QString &san, const QString &ca, QString *error);
    // Authorities "good" and "other" with a server certificate for
    // 127.0.0.1 from each: "srv" (good) and "stranger" (other).
    bool makeGoodAndStranger(QString *error);
    // makeGoodAndStranger(), and "good" trusted by the program's TLS.
    bool makeTrustedGoodAndStranger(QString *error);
    // `nginx` serves over TLS with the server certificate `name`.
    void serveTls(NginxServer &nginx, const QString &name) const;
    QString path(const QString &file) const { return m_dir.filePath(file); }

private:
    bool run(const QStringList &args, QString *error);
    QTemporaryDir m_dir;
};
