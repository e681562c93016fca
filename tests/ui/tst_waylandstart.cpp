// The program on Wayland: started with Qt's wayland platform under a
// headless Weston, its main window and drop window appear in the
// compositor's own scene graph.
#include "common/HelperProcess.h"

#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestWaylandStart : public QObject {
    Q_OBJECT
    QTemporaryDir m_runtime, m_home;
    HelperProcess m_weston;
    const QString m_socket = QStringLiteral("mq-wayland");

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.insert("XDG_RUNTIME_DIR", m_runtime.path());
        env.insert("WAYLAND_DISPLAY", m_socket);
        return env;
    }
    // What Weston shows: its scene graph, one view per mapped surface.
    QString sceneGraph() const {
        QProcess debug;
        debug.setProcessEnvironment(environment());
        debug.start(HelperProcess::find("weston-debug"), {"scene-graph"});
        if (!debug.waitForFinished(5000)) debug.kill();
        return QString::fromUtf8(debug.readAllStandardOutput());
    }

private slots:
    void mainWindowShows() {
        if (HelperProcess::find("weston").isEmpty() ||
            HelperProcess::find("weston-debug").isEmpty())
            QSKIP("weston is not installed (package weston)");
        const QString plugin =
            QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so";
        if (!QFileInfo::exists(plugin))
            QSKIP("Qt's wayland platform is not installed (package qt6-wayland)");
        QFile::setPermissions(m_runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        const QString socket = m_runtime.filePath(m_socket);
        QString error;
        QVERIFY2(m_weston.start(
                     HelperProcess::find("weston"),
                     {"--backend=headless-backend.so", "--socket=" + m_socket, "--idle-time=0",
                      "--debug", "--log=" + m_weston.file("weston.log")},
                     [socket] { return QFileInfo::exists(socket); }, &error),
                 qPrintable(error));

        QProcess program;
        QProcessEnvironment env = environment();
        env.insert("QT_QPA_PLATFORM", "wayland");
        env.insert("HOME", m_home.path());
        env.insert("MOORQUILL_HOME", m_home.filePath("state"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(qEnvironmentVariable("MQ_BINARY_DIR") + "/src/app/moorquill/moorquill", {});
        QVERIFY(program.waitForStarted(5000));
        const QString pid = QString::number(program.processId());
        const QRegularExpression mainWindow(
            "role xdg_toplevel, PID " + pid +
            ",[^\n]*top-level window 'MoorQuill' of org\\.moorquill\\.MoorQuill");
        const QRegularExpression dropWindow("PID " + pid + ",[^\n]*'Top Window'");
        QString scene;
        QDeadlineTimer deadline(40000);
        while (!deadline.hasExpired() && program.state() == QProcess::Running) {
            scene = sceneGraph();
            if (scene.contains(mainWindow) && scene.contains(dropWindow)) break;
            QTest::qWait(200);
        }
        QVERIFY2(scene.contains(mainWindow), qPrintable(scene));
        QVERIFY2(scene.contains(dropWindow), qPrintable(scene));
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QVERIFY(QFileInfo::exists(m_home.filePath("state/default.mqb"))); // it loaded
    }
};

QTEST_GUILESS_MAIN(TestWaylandStart)
#include "tst_waylandstart.moc"
