// Where the program keeps its files, and a folder it cannot write.
#include "common/TestFiles.h"
#include "platform/AppFolder.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestAppFolder : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void init() {
        qunsetenv("MOORQUILL_HOME");
        qunsetenv("XDG_DATA_HOME");
        qputenv("HOME", QFile::encodeName(path("home")));
    }

    void choice_data() {
        QTest::addColumn<QString>("besideProgram"); // a file beside the executable
        QTest::addColumn<QString>("home");          // MOORQUILL_HOME
        QTest::addColumn<QString>("dataHome");      // XDG_DATA_HOME
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *tag, const char *beside, const char *home,
                            const char *dataHome, const char *expected) {
            QTest::newRow(tag) << QString(beside) << QString(home) << QString(dataHome)
                               << QString(expected);
        };
        row("installed", "", "", "", "home/.local/share/moorquill");
        row("installed, XDG_DATA_HOME", "", "", "data", "data/moorquill");
        row("program files only", "moorquill-host", "", "", "home/.local/share/moorquill");
        row("set.ini beside", "set.ini", "", "", "bin");
        row("portable beside", "portable", "", "data", "bin");
        row("MOORQUILL_HOME first", "set.ini", "state", "data", "state");
    }
    void choice() {
        QFETCH(QString, besideProgram);
        QFETCH(QString, home);
        QFETCH(QString, dataHome);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString bin = dir.filePath("bin");
        QVERIFY(QDir().mkpath(bin));
        if (!besideProgram.isEmpty()) QVERIFY(writeFileBytes(bin + "/" + besideProgram, ""));
        qputenv("HOME", QFile::encodeName(dir.filePath("home")));
        if (!home.isEmpty()) qputenv("MOORQUILL_HOME", QFile::encodeName(dir.filePath(home)));
        if (!dataHome.isEmpty())
            qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(dataHome)));
        QCOMPARE(applicationFolder(bin), dir.filePath(expected));
        QVERIFY(!QFileInfo::exists(dir.filePath(expected)) ||
                expected == "bin"); // chosen, not made
    }

    void prepare_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("usable");
        QTest::newRow("missing, made") << path("a/b/c") << true;
        QTest::newRow("below a file") << path("file/state") << false;
        QTest::newRow("a file") << path("file") << false;
        // Read-only for everybody, root included.
        QTest::newRow("read-only file system") << QStringLiteral("/proc/self") << false;
    }
    void prepare() {
        QFETCH(QString, folder);
        QFETCH(bool, usable);
        QVERIFY(writeFileBytes(path("file"), "x"));
        QString error;
        QCOMPARE(prepareApplicationFolder(folder, &error), usable);
        if (usable) {
            QVERIFY(QFileInfo(folder).isDir());
            QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList()); // the probe is gone
        } else {
            QVERIFY2(error.contains(folder), qPrintable(error));
        }
    }

    // The program says which folder and ends, without a window or a socket.
    void programEndsOnUnusableFolder() {
        QVERIFY(writeFileBytes(path("file"), "x"));
        QTemporaryDir runtime;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MOORQUILL_HOME", path("file/state"));
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(qEnvironmentVariable("MQ_BINARY_DIR") + "/src/app/moorquill/moorquill", {});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(err.contains(path("file/state")), qPrintable(err));
        QCOMPARE(QDir(runtime.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
    }
};

QTEST_GUILESS_MAIN(TestAppFolder)
#include "tst_appfolder.moc"
