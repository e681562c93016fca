#include "common/FaultHttpServer.h"
#include "engine/EngineRig.h"

#include <QProcess>
#include <QtTest>

using Resource = FaultHttpServer::Resource;

// A download folder that runs out of space: the job stops with the reason
// and keeps its place, the other jobs go on, and it completes once there is
// room again.
class TestDiskErrors : public QObject {
    Q_OBJECT
private slots:
    void fullDisk();
};

namespace {
bool run(const QString &program, const QStringList &args, QString *output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok =
        p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    *output = QString::fromLocal8Bit(p.readAll()).trimmed();
    return ok;
}

struct TmpfsMount {
    QString path;
    bool mounted = false;
    ~TmpfsMount() {
        QString out;
        if (mounted) run(QStringLiteral("umount"), {path}, &out);
    }
};
} // namespace

void TestDiskErrors::fullDisk() {
    QTemporaryDir mountDir;
    TmpfsMount tmpfs{mountDir.path()};
    QString out;
    tmpfs.mounted = run(QStringLiteral("mount"),
                        {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                         QStringLiteral("size=2m"), QStringLiteral("tmpfs"), tmpfs.path},
                        &out);
    if (!tmpfs.mounted) QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs: ") + out));
    QFile filler(tmpfs.path + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(1024 * 1024, 'x'));
    filler.close();

    FaultHttpServer server;
    Resource r;
    r.body = FaultHttpServer::pattern(1500000);
    server.setResource(QStringLiteral("/full.swf"), r);
    Resource other;
    other.body = FaultHttpServer::pattern(300000).mid(11);
    server.setResource(QStringLiteral("/other.swf"), other);

    EngineRig rig;
    rig.core.settings.Maxjobs = 2;
    const int full = rig.addJob(server.url(QStringLiteral("/full.swf")), 3);
    rig.job(full).SavePath = tmpfs.path + QStringLiteral("/full.swf");
    const int fine =
        rig.addJob(server.url(QStringLiteral("/other.swf")), 3, QStringLiteral("o.swf"));
    rig.start(full, 1);
    rig.start(fine, 2);
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished->count(), 2, 20000);
    QCOMPARE(rig.job(full).State, qint32(StateError));
    QCOMPARE(rig.job(fine).State, qint32(StateComplete));
    QCOMPARE(EngineRig::fileBytes(rig.job(fine).SavePath), other.body);
    const QStringList lines = rig.logTexts().filter(QStringLiteral("Not enough free space for ") +
                                                    tmpfs.path + QStringLiteral("/full.swf"));
    QCOMPARE(lines.size(), 1);
    QCOMPARE(rig.job(full).TotalSize, 1500000);

    // Room again: the same job continues into the same file.
    QVERIFY(QFile::remove(filler.fileName()));
    rig.start(full, 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished->count(), 3, 20000);
    QCOMPARE(rig.job(full).State, qint32(StateComplete));
    QCOMPARE(rig.job(full).SavePath, tmpfs.path + QStringLiteral("/full.swf"));
    QCOMPARE(EngineRig::fileBytes(rig.job(full).SavePath), r.body);
}

QTEST_GUILESS_MAIN(TestDiskErrors)
#include "tst_diskerrors.moc"
