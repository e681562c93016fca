#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// nginx (or lighttpd) from the system serving a folder on 127.0.0.1 at a
// free port, with a configuration generated in a temporary folder.
// available() is false when the server's binary is missing.
class NginxServer {
public:
    enum Program { Nginx, Lighttpd };
    // `extraConfig`: nginx directives of "location /", or lighttpd lines.
    explicit NginxServer(const QString &extraConfig = QString(), Program program = Nginx);
    ~NginxServer();

    static QString binary(Program program = Nginx); // empty when not installed
    bool available() const { return !binary(m_program).isEmpty(); }
    // Serve over TLS with this certificate chain and key (PEM files); url()
    // then gives https:// addresses.
    void setTls(const QString &certFile, const QString &keyFile) {
        m_cert = certFile;
        m_key = keyFile;
    }
    bool start(QString *error = nullptr);
    quint16 port() const { return m_port; }
    QString root() const { return m_dir.filePath(QStringLiteral("www")); }
    QString url(const QString &file) const;
    // Writes `bytes` to `file` below root(), its folders made.
    bool put(const QString &file, const QByteArray &bytes) const;

private:
    QString lighttpdConfig() const;

    Program m_program;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_extra;
    QString m_cert, m_key;
};
