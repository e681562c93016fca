#include "common/NginxServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

NginxServer::NginxServer(const QString &extraConfig, Program program)
    : m_program(program), m_extra(extraConfig) {
    QDir(m_dir.path()).mkpath(QStringLiteral("www"));
    QDir(m_dir.path()).mkpath(QStringLiteral("logs"));
    QDir(m_dir.path()).mkpath(QStringLiteral("tmp"));
}

NginxServer::~NginxServer() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString NginxServer::binary(Program program) {
    const QString name = program == Nginx ? QStringLiteral("nginx") : QStringLiteral("lighttpd");
    for (const QString &dir : {QStringLiteral("/usr/sbin/"), QStringLiteral("/usr/bin/")})
        if (QFileInfo(dir + name).isExecutable()) return dir + name;
    return QStandardPaths::findExecutable(name);
}

QString NginxServer::lighttpdConfig() const {
    QString conf = QStringLiteral("server.document-root = \"%1/www\"\nserver.bind = \"127.0.0.1\"\n"
                                  "server.port = %2\nserver.errorlog = \"%1/logs/error.log\"\n"
                                  "index-file.names = (\"index.html\")\n"
                                  "mimetype.assign = (\".html\" => \"text/html\", \".swf\" => "
                                  "\"application/x-shockwave-flash\")\n")
                       .arg(m_dir.path())
                       .arg(m_port);
    if (!m_cert.isEmpty())
        conf += QStringLiteral("server.modules += (\"mod_openssl\")\nssl.engine = \"enable\"\n"
                               "ssl.pemfile = \"%1\"\nssl.privkey = \"%2\"\n")
                    .arg(m_cert, m_key);
    return conf + m_extra + QLatin1Char('\n');
}

QString NginxServer::url(const QString &file) const {
    return QStringLiteral("%1://127.0.0.1:%2/%3")
        .arg(m_cert.isEmpty() ? QStringLiteral("http") : QStringLiteral("https"))
        .arg(m_port)
        .arg(file);
}

bool NginxServer::put(const QString &file, const QByteArray &bytes) const {
    const QString path = root() + QLatin1Char('/') + file;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool NginxServer::start(QString *error) {
    {
        QTcpServer probe; // a free port
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
    }
    const QString d = m_dir.path();
    const QString conf =
        QStringLiteral("daemon off;\nmaster_process off;\nworker_processes 1;\n"
                       "error_log %1/logs/error.log;\npid %1/nginx.pid;\n"
                       "events { worker_connections 1024; }\n"
                       "http {\n  access_log off;\n  sendfile on;\n  tcp_nopush on;\n"
                       "  client_body_temp_path %1/tmp/body;\n  proxy_temp_path %1/tmp/proxy;\n"
                       "  fastcgi_temp_path %1/tmp/fastcgi;\n  uwsgi_temp_path %1/tmp/uwsgi;\n"
                       "  scgi_temp_path %1/tmp/scgi;\n  types { application/octet-stream bin; }\n"
                       "  server {\n    listen 127.0.0.1:%2%4;\n    root %1/www;\n%5"
                       "    location / { %3 }\n  }\n}\n")
            .arg(d)
            .arg(m_port)
            .arg(m_extra)
            .arg(m_cert.isEmpty() ? QString() : QStringLiteral(" ssl"))
            .arg(m_cert.isEmpty() ? QString()
                                  : QStringLiteral("    ssl_certificate %1;\n    "
                                                   "ssl_certificate_key %2;\n")
                                        .arg(m_cert, m_key));
    const bool nginx = m_program == Nginx;
    QFile file(d + (nginx ? QStringLiteral("/nginx.conf") : QStringLiteral("/lighttpd.conf")));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write((nginx ? conf : lighttpdConfig()).toUtf8()) < 0)
        return false;
    file.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    if (nginx)
        m_process.start(binary(), {QStringLiteral("-p"), d, QStringLiteral("-c"), file.fileName(),
                                   QStringLiteral("-e"), d + QStringLiteral("/logs/stderr.log")});
    else
        m_process.start(binary(Lighttpd),
                        {QStringLiteral("-D"), QStringLiteral("-f"), file.fileName()});
    if (!m_process.waitForStarted(5000)) return false;
    // Ready when it accepts a connection.
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(200)) return true;
        m_process.waitForFinished(50);
    }
    if (error) *error = QString::fromLocal8Bit(m_process.readAll());
    return false;
}
