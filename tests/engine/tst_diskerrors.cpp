#include "common/TestFiles.h"
#include "common/TestRows.h"
#include "engine/EngineRig.h"

#include <QDir>
#include <QProcess>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

using Resource = FaultHttpServer::Resource;

namespace {
// A small tmpfs of its own, unmounted at the end.
struct TmpfsMount {
    QTemporaryDir dir;
    bool mounted = false;
    QString error;
    explicit TmpfsMount(const QString &size) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", dir.path()});
        mounted =
            p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        error = QString::fromLocal8Bit(p.readAll()).trimmed();
    }
    ~TmpfsMount() {
        if (mounted) QProcess::execute("umount", {dir.path()});
    }
    QString path(const QString &name) const { return dir.filePath(name); }
};

// Takes every byte left on the file system of `path`.
bool fillUp(const QString &path) {
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly)) return false;
    const QByteArray block(64 * 1024, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    return true;
}

// tmpfs reserves pre-allocated pages; give back those not written yet (a
// copy-on-write or compressing file system does not reserve them at all).
bool unreserve(const QString &path, const DownJobRecord &job) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
    if (fd < 0) return false;
    bool ok = true;
    for (int k = 1; k <= job.Parts; ++k) {
        const PartRange &r = job.part(k);
        if (r.EndPos >= r.Pos)
            ok = ok && ::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, r.Pos,
                                   off_t(r.EndPos) - r.Pos + 1) == 0;
    }
    ::close(fd);
    return ok;
}

#define MOUNT_OR_SKIP(var, size)                                                                   \
    TmpfsMount var(QStringLiteral(size));                                                          \
    if (!var.mounted) QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs: ") + var.error))
} // namespace

// A download folder that runs out of space, or a file that cannot get its
// final name: the job stops with the path and the reason and keeps its
// place, the other jobs go on, and it completes once the cause is gone.
class TestDiskErrors : public QObject {
    Q_OBJECT
private slots:
    void refusedBeforeAllocation() {
        MOUNT_OR_SKIP(tmpfs, "2m");
        QVERIFY(writeFileBytes(tmpfs.path(QStringLiteral("filler")), QByteArray(1024 * 1024, 'x')));

        EngineRig rig;
        const Resource r = rig.server.serve("/full.swf", 1500000);
        const int full = rig.addJob(rig.url("/full.swf"), 3);
        rig.job(full).SavePath = tmpfs.path(QStringLiteral("full.swf"));
        rig.start(full, 1);
        QVERIFY(rig.waitFinished());
        QCOMPARE(rig.job(full).State, qint32(StateError));
        const QStringList lines = rig.logTexts().filter(
            QStringLiteral("Not enough free space for ") + tmpfs.path(QStringLiteral("full.swf")));
        QCOMPARE(lines.size(), 1);
        QCOMPARE(rig.job(full).TotalSize, 1500000);

        // Room again: the same job continues into the same file.
        QVERIFY(QFile::remove(tmpfs.path(QStringLiteral("filler"))));
        rig.start(full, 1);
        QVERIFY(rig.waitFinished(2));
        VERIFY_COMPLETE(rig, full, r.body);
        QCOMPARE(rig.job(full).SavePath, tmpfs.path(QStringLiteral("full.swf")));
    }

    void fullDuringDownload() {
        MOUNT_OR_SKIP(tmpfs, "4m");
        EngineRig rig;
        FaultHttpServer &server = rig.server;
        const Resource r = server.serve("/full.swf", 3000000);
        server.resource("/full.swf").holdAfter = 400000;
        const QByteArray other = FaultHttpServer::pattern(300000).mid(11);
        server.resource("/other.swf").body = other;
        rig.core.settings.Maxjobs = 2;
        const QString path = tmpfs.path(QStringLiteral("full.swf"));
        const int full = rig.addJob(server.url("/full.swf"), 2);
        rig.job(full).SavePath = path;
        const int fine = rig.addJob(server.url("/other.swf"), 3, QStringLiteral("o.swf"));
        rig.start(full, 1);
        rig.start(fine, 2);
        // Both parts have written their first bytes and wait for the server.
        QTRY_COMPARE_WITH_TIMEOUT(rig.job(full).Received, 2 * 400000, 20000);

        // The disk fills up under the running job.
        QVERIFY(unreserve(path, rig.job(full)));
        const QString filler = tmpfs.path(QStringLiteral("filler"));
        QVERIFY(fillUp(filler));
        server.release();
        QVERIFY(rig.waitFinished(2));
        QCOMPARE(rig.job(full).State, qint32(StateError));
        VERIFY_COMPLETE(rig, fine, other);
        const QString reason = QString::fromLocal8Bit(std::strerror(ENOSPC));
        const QStringList lines = rig.logTexts().filter(path).filter(reason);
        QVERIFY2(lines.size() == 1, qPrintable(rig.logTexts().join(QLatin1Char('\n'))));
        // The job keeps what it has.
        QVERIFY(!rig.job(full).IsNew);
        QVERIFY(rig.job(full).Received >= 2 * 400000);

        QVERIFY(QFile::remove(filler));
        rig.start(full, 1);
        QVERIFY(rig.waitFinished(3));
        VERIFY_COMPLETE(rig, full, r.body);
    }

    void finalNameFails_data() {
        QTest::addColumn<bool>("removeFolder");
        QTest::addColumn<QString>("reason");
        row("name taken by a folder", false, QString::fromLocal8Bit(strerror(EISDIR)));
        row("folder removed meanwhile", true, QString::fromLocal8Bit(strerror(ENOENT)));
    }

    void finalNameFails() {
        QFETCH(bool, removeFolder);
        QFETCH(QString, reason);
        EngineRig rig;
        FaultHttpServer &server = rig.server;
        const Resource r = server.serve("/movie.swf", 700000);
        server.resource("/movie.swf").holdAfter = 100000;
        rig.core.settings.UseMQ = 1;
        const int index = rig.addJob(server.url("/movie.swf"), 3, QStringLiteral("sub/movie.swf"));
        const QString folder = rig.dir.filePath(QStringLiteral("sub"));
        const QString finalPath = folder + QStringLiteral("/movie.swf");
        const QString partPath = finalPath + QStringLiteral("!mq");
        rig.start(index, 1);
        QTRY_VERIFY_WITH_TIMEOUT(server.held() >= 1, 20000);
        QCOMPARE(rig.job(index).SavePath, partPath);
        if (removeFolder)
            QVERIFY(QDir(folder).removeRecursively());
        else
            QVERIFY(QDir().mkdir(finalPath));
        server.release();
        QVERIFY(rig.waitFinished());
        QCOMPARE(rig.job(index).State, qint32(StateError));
        QCOMPARE(rig.job(index).SavePath, partPath);
        const QStringList lines = rig.logTexts().filter(QStringLiteral("Cannot rename the file ") +
                                                        partPath + QStringLiteral(" to "));
        QVERIFY2(lines.size() == 1 && lines[0].endsWith(reason),
                 qPrintable(rig.logTexts().join(QLatin1Char('\n'))));
        QCOMPARE(rig.job(index).Received, 700000);

        // The cause gone, starting it again finishes the job under its name
        // (fetching the file again when it went with its folder).
        if (!removeFolder) QVERIFY(QDir().rmdir(finalPath));
        rig.start(index, 1);
        QVERIFY(rig.waitFinished(2));
        VERIFY_COMPLETE(rig, index, r.body);
        QCOMPARE(rig.job(index).SavePath, finalPath);
        QVERIFY(!QFile::exists(partPath));
        QCOMPARE(rig.logTexts().filter(QStringLiteral(" is gone; downloading it again.")).size(),
                 removeFolder ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestDiskErrors)
#include "tst_diskerrors.moc"
