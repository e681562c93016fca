#pragma once
// Headed Chromium under Xvfb with the unpacked extension, driven with
// xdotool: what the end-to-end browser tests share. Needs MQ_SOURCE_DIR.

#include "browser/BrowserScanChannel.h"
#include "browser/HandOffServer.h"
#include "browser/HandOffSocket.h"
#include "browser/frmSaveSwfto.h"
#include "common/TestHome.h"
#include "dialogs/frmNewDown1.h"
#include "session/AppCore.h"
#include "ui/MainHandOff.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace ChromiumDesktop {

inline QString extensionDir() {
    return QStringLiteral(MQ_SOURCE_DIR "/browser/extension");
}

inline QString hostProgram() {
    return qEnvironmentVariable("MQ_BINARY_DIR") +
           QStringLiteral("/src/app/moorquill/moorquill-host");
}

// The program's socket in a private runtime folder that Chromium, and so the
// hosts it starts, inherit; the hosts start no program (the test is the
// program). Returns the socket's path.
inline QString useRuntimeFolder(const QString &folder) {
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
    qputenv("MOORQUILL_PROGRAM", "/nonexistent");
    return HandOffSocket::path();
}

// The program as these tests run it, its main window never shown: it listens
// on its socket in `runtime` and receives what the hosts hand over. Its modal
// new-job dialog is noted and cancelled as soon as it shows.
struct Program {
    struct Dialog {
        int mode = 0; // 0: none opened
        QString url, ref, comment;
        int links = 0;
    };
    TestHome home;
    AppCore core;
    std::unique_ptr<frmMain> window;
    std::unique_ptr<HandOffServer> server;
    QTimer dialogWatch;
    Dialog dialog;

    bool start(const QString &runtime, QString *error) {
        server = std::make_unique<HandOffServer>();
        if (!server->listen(useRuntimeFolder(runtime), error)) return false;
        core.paths = AppPaths::forFolder(home.path());
        window = std::make_unique<frmMain>(core);
        window->handOff()->scanChannel()->listenTo(server.get());
        QObject::connect(server.get(), &HandOffServer::handOff, window.get(),
                         &frmMain::receiveHandOff);
        QObject::connect(server.get(), &HandOffServer::pageScanned, window.get(),
                         &frmMain::receivePageScan);
        dialogWatch.setInterval(50);
        QObject::connect(&dialogWatch, &QTimer::timeout, [this] {
            auto *d = qobject_cast<frmNewDown1 *>(QApplication::activeModalWidget());
            if (!d || !d->isVisible()) return;
            dialog = {d->mode(), d->txtUrl->text(), d->txtRef->text(), d->txtComment->text(),
                      d->ListView1->topLevelItemCount()};
            d->reject();
        });
        dialogWatch.start();
        return true;
    }
    frmSaveSwfto *saveDialog() const { return window->findChild<frmSaveSwfto *>(); }
    QStringList saveRows() const {
        QStringList out;
        if (frmSaveSwfto *d = saveDialog())
            for (int i = 0; i < d->ListView1->count(); ++i)
                out << d->ListView1->item(i)->text();
        return out;
    }
};

// Runs xdotool; false when it fails or outlives the deadline. The event loop
// keeps running meanwhile: the test's web server and socket live on it.
inline bool xdotool(const QStringList &args, QByteArray *out = nullptr, int timeoutMs = 5000) {
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), args);
    QDeadlineTimer deadline(timeoutMs);
    while (tool.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            tool.kill();
            tool.waitForFinished();
            return false;
        }
        tool.waitForFinished(10);
        QCoreApplication::processEvents();
    }
    if (out) *out = tool.readAllStandardOutput();
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

// Visible windows on the display: Chromium's menus are windows of their own.
inline int visibleWindows() {
    QByteArray out;
    xdotool({"search", "--onlyvisible", "--name", ""}, &out);
    return int(out.split('\n').count() - 1);
}

inline bool waitForWindows(int count, int timeoutMs) {
    return QTest::qWaitFor([count] { return visibleWindows() == count; }, timeoutMs);
}

// Logs what is on the screen (when a menu did not open).
inline void logWindows() {
    QByteArray ids;
    xdotool({"search", "--onlyvisible", "--name", ""}, &ids);
    for (const QByteArray &id : ids.split('\n')) {
        QByteArray out, name;
        if (id.isEmpty()) continue;
        xdotool({"getwindowgeometry", QString::fromLatin1(id)}, &out);
        xdotool({"getwindowname", QString::fromLatin1(id)}, &name);
        qWarning() << "x window" << id << name.trimmed() << out.simplified();
    }
}

// A browser's process, ended when the object goes.
struct BrowserProcess {
    QProcess process;
    ~BrowserProcess() { stop(); }
    void stop() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
};

// A headed Chromium at 0,0 (1000x800) with a fresh profile and the unpacked
// extension, showing `url`.
struct Browser : BrowserProcess {
    bool start(const QString &profile, const QString &url) {
        QStringList args = QStringLiteral("--disable-background-networking "
                                          "--disable-component-update --no-first-run "
                                          "--no-default-browser-check --disable-sync --test-type "
                                          "--password-store=basic --window-position=0,0 "
                                          "--window-size=1000,800")
                               .split(' ');
        args << "--user-data-dir=" + profile << "--disable-extensions-except=" + extensionDir()
             << "--load-extension=" + extensionDir() << url;
        if (::geteuid() == 0) args.prepend("--no-sandbox");
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice()); // D-Bus complaints without end
        process.start(QStringLiteral("chromium"), args);
        return process.waitForStarted(10000);
    }
};

// The id of the visible window whose name contains `name`; "" after the time.
// xdotool ends with an X error when a window it looks at goes away during
// the search (Chromium's start-up windows do), so each search is one look
// and a failed look is tried again until the time is up.
inline QString waitForWindow(const QString &name, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QByteArray window;
        if (xdotool({"search", "--onlyvisible", "--name", name}, &window) && !window.isEmpty())
            return QString::fromLatin1(window.split('\n').first());
        if (deadline.hasExpired()) return QString();
        QTest::qWait(50);
    }
}

// Right-clicks at x,y of the screen after giving `window` the focus; true
// once the menu's window shows (`windows` visible windows in all).
inline bool openMenu(const QString &window, int x, int y, int windows) {
    xdotool({"windowfocus", "--sync", window});
    xdotool({"mousemove", QString::number(x), QString::number(y), "click", "3"});
    if (waitForWindows(windows, 5000)) return true;
    logWindows();
    return false;
}

} // namespace ChromiumDesktop
