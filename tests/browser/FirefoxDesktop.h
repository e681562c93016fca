#pragma once
// Headed Firefox under Xvfb with a fresh profile and the extension loaded as
// a temporary add-on through Firefox's own remote protocol (Marionette). The
// X helpers (xdotool, window counts) are ChromiumDesktop's. Needs MQ_SOURCE_DIR.

#include "ChromiumDesktop.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

namespace FirefoxDesktop {

// The extension as Firefox loads it: browser/extension with its Firefox
// manifest, made by the folder's own script.
inline bool makeExtension(const QString &folder) {
    QProcess script;
    script.start(QStringLiteral("sh"),
                 {QStringLiteral(MQ_SOURCE_DIR "/browser/extension/firefox-folder"), folder});
    return script.waitForFinished(10000) && script.exitCode() == 0;
}

// One Marionette connection: "length:[0,id,name,params]" out, "length:[1,id,error,result]" back.
class Marionette {
public:
    bool connect(quint16 port) {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        return m_socket.waitForConnected(5000) && !read().isEmpty(); // the greeting
    }
    // The command's result; an empty object (and `error`) when it failed.
    QJsonObject command(const QString &name, const QJsonObject &params, QString *error) {
        const QByteArray body =
            QJsonDocument(QJsonArray{0, ++m_id, name, params}).toJson(QJsonDocument::Compact);
        m_socket.write(QByteArray::number(body.size()) + ':' + body);
        const QJsonArray reply = QJsonDocument::fromJson(read()).array();
        if (reply.size() != 4 || !reply.at(2).isNull()) {
            *error =
                name + QStringLiteral(": ") +
                QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact)).left(300);
            return {};
        }
        return reply.at(3).toObject();
    }

private:
    // One message; the event loop keeps running meanwhile (the test's web
    // server answers the browser on it).
    QByteArray read() {
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && m_socket.state() == QAbstractSocket::ConnectedState) {
            m_buffer += m_socket.readAll();
            const int colon = m_buffer.indexOf(':');
            if (colon > 0) {
                const int length = m_buffer.left(colon).toInt();
                if (m_buffer.size() >= colon + 1 + length) {
                    const QByteArray message = m_buffer.mid(colon + 1, length);
                    m_buffer.remove(0, colon + 1 + length);
                    return message;
                }
            }
            m_socket.waitForReadyRead(10);
            QCoreApplication::processEvents();
        }
        return {};
    }
    QTcpSocket m_socket;
    QByteArray m_buffer;
    int m_id = 0;
};

// Firefox with a fresh profile in `profile`, its window at 0,0 (1000x800),
// the add-on in `extension` installed for this session, showing `url`.
struct Browser : ChromiumDesktop::BrowserProcess {
    Marionette remote;
    bool start(const QString &profile, const QString &extension, const QString &url,
               QString *error) {
        QFile prefs(profile + QStringLiteral("/user.js"));
        if (!prefs.open(QIODevice::WriteOnly)) return false;
        prefs.write(
            "user_pref(\"marionette.port\", 0);\n" // the port goes into MarionetteActivePort
            "user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
            "user_pref(\"browser.startup.homepage_override.mstone\", \"ignore\");\n"
            "user_pref(\"browser.aboutwelcome.enabled\", false);\n"
            "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);\n"
            "user_pref(\"toolkit.telemetry.reportingpolicy.firstRun\", false);\n"
            "user_pref(\"app.update.disabledForTesting\", true);\n");
        prefs.close();
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QStringLiteral("firefox-esr"),
                      {QStringLiteral("--marionette"), QStringLiteral("--no-remote"),
                       QStringLiteral("--profile"), profile, QStringLiteral("about:blank")});
        if (!process.waitForStarted(10000)) return false;
        const QString portFile = profile + QStringLiteral("/MarionetteActivePort");
        QDeadlineTimer deadline(40000);
        while (!QFileInfo::exists(portFile) && !deadline.hasExpired())
            QTest::qWait(100);
        QFile port(portFile);
        if (!port.open(QIODevice::ReadOnly) ||
            !remote.connect(quint16(port.readAll().trimmed().toUInt()))) {
            *error = QStringLiteral("Firefox's remote protocol did not answer");
            return false;
        }
        const std::pair<QString, QJsonObject> steps[] = {
            {"WebDriver:NewSession", {}},
            {"WebDriver:SetWindowRect", {{"x", 0}, {"y", 0}, {"width", 1000}, {"height", 800}}},
            {"Addon:Install", {{"path", extension}, {"temporary", true}}},
            {"WebDriver:Navigate", {{"url", url}}}};
        for (const auto &[name, params] : steps)
            if (remote.command(name, params, error).isEmpty()) return false;
        return true;
    }
};

} // namespace FirefoxDesktop
