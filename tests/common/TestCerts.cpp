#include "common/TestCerts.h"
#include "common/NginxServer.h"
#include "engine/PartTransport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

TestCerts::TestCerts() = default;

bool TestCerts::available() {
    return !QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty();
}

bool TestCerts::run(const QStringList &args, QString *error) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_dir.path());
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error) *error = QString::fromLocal8Bit(p.readAll());
        return false;
    }
    return true;
}

bool TestCerts::makeCa(const QString &name, QString *error) {
    return run({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                QStringLiteral("-keyout"), QStringLiteral("ca-%1.key").arg(name),
                QStringLiteral("-out"), QStringLiteral("ca-%1.pem").arg(name),
                QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                QStringLiteral("/CN=MoorQuill test authority %1").arg(name)},
               error);
}

bool TestCerts::makeGoodAndStranger(QString *error) {
    const QString ip = QStringLiteral("IP:127.0.0.1");
    return makeCa(QStringLiteral("good"), error) && makeCa(QStringLiteral("other"), error) &&
           makeServer(QStringLiteral("srv"), ip, QStringLiteral("good"), error) &&
           makeServer(QStringLiteral("stranger"), ip, QStringLiteral("other"), error);
}

bool TestCerts::makeTrustedGoodAndStranger(QString *error) {
    return makeGoodAndStranger(error) &&
           PartTransport::AddCaFile(path(QStringLiteral("ca-good.pem")), error);
}

void TestCerts::serveTls(NginxServer &nginx, const QString &name) const {
    nginx.setTls(path(name + QStringLiteral(".pem")), path(name + QStringLiteral(".key")));
}

bool TestCerts::makeServer(const QString &name, const QString &san, const QString &ca,
                           QString *error) {
    QFile ext(path(name + QStringLiteral(".ext")));
    if (!ext.open(QIODevice::WriteOnly)) return false;
    ext.write("subjectAltName=" + san.toLatin1() + "\nbasicConstraints=CA:FALSE\n");
    ext.close();
    return run({QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                QStringLiteral("-nodes"), QStringLiteral("-keyout"), name + QStringLiteral(".key"),
                QStringLiteral("-out"), name + QStringLiteral(".csr"), QStringLiteral("-subj"),
                QStringLiteral("/CN=") + name},
               error) &&
           run({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                name + QStringLiteral(".csr"), QStringLiteral("-CA"),
                QStringLiteral("ca-%1.pem").arg(ca), QStringLiteral("-CAkey"),
                QStringLiteral("ca-%1.key").arg(ca), QStringLiteral("-CAcreateserial"),
                QStringLiteral("-out"), name + QStringLiteral(".pem"), QStringLiteral("-days"),
                QStringLiteral("2"), QStringLiteral("-extfile"), name + QStringLiteral(".ext")},
               error);
}
