#include "browser/NativeHostManifests.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

const char *const NativeHostManifests::HostName = "moorquill";
const char *const NativeHostManifests::ChromiumExtension = "bhofgmeakemcjgakgckfaokekjgpdkfk";
const char *const NativeHostManifests::FirefoxExtension = "handoff@moorquill";

namespace {

QByteArray manifest(const QString &hostPath, const char *listKey, const QString &allowed) {
    const QJsonObject object{
        {QStringLiteral("name"), QLatin1String(NativeHostManifests::HostName)},
        {QStringLiteral("description"), QStringLiteral("MoorQuill browser hand-off")},
        {QStringLiteral("path"), hostPath},
        {QStringLiteral("type"), QStringLiteral("stdio")},
        {QLatin1String(listKey), QJsonArray{allowed}}};
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QStringList existing(const QString &home, const QStringList &browsers, const QString &sub) {
    QStringList folders;
    for (const QString &browser : browsers)
        if (QFileInfo(home + u'/' + browser).isDir()) folders << home + u'/' + browser + sub;
    return folders;
}

} // namespace

QByteArray NativeHostManifests::chromium(const QString &hostPath) {
    return manifest(hostPath, "allowed_origins",
                    QStringLiteral("chrome-extension://%1/").arg(QLatin1String(ChromiumExtension)));
}

QByteArray NativeHostManifests::firefox(const QString &hostPath) {
    return manifest(hostPath, "allowed_extensions", QLatin1String(FirefoxExtension));
}

QStringList NativeHostManifests::chromiumFolders(const QString &home) {
    return existing(home,
                    {QStringLiteral(".config/chromium"), QStringLiteral(".config/google-chrome"),
                     QStringLiteral(".config/BraveSoftware/Brave-Browser"),
                     QStringLiteral(".config/vivaldi")},
                    QStringLiteral("/NativeMessagingHosts"));
}

QStringList NativeHostManifests::firefoxFolders(const QString &home) {
    return existing(home,
                    {QStringLiteral(".mozilla"), QStringLiteral("snap/firefox/common/.mozilla")},
                    QStringLiteral("/native-messaging-hosts"));
}

bool NativeHostManifests::writeInto(const QString &folder, const QByteArray &manifest) {
    if (!QDir().mkpath(folder)) return false;
    QSaveFile file(folder + u'/' + QLatin1String(HostName) + QStringLiteral(".json"));
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(manifest);
    return file.commit();
}

QStringList NativeHostManifests::writeAll(const QString &home, const QString &hostPath) {
    QStringList written;
    const auto writeEach = [&](const QStringList &folders, const QByteArray &manifest) {
        for (const QString &folder : folders)
            if (writeInto(folder, manifest))
                written << folder + u'/' + QLatin1String(HostName) + QStringLiteral(".json");
    };
    writeEach(chromiumFolders(home), chromium(hostPath));
    writeEach(firefoxFolders(home), firefox(hostPath));
    return written;
}

QString NativeHostManifests::browserOfHost(const QStringList &arguments,
                                           const QString &parentProgram) {
    const QString program = parentProgram.toLower();
    for (const QString &argument : arguments) {
        if (argument.startsWith(QLatin1String("chrome-extension://"))) {
            for (const char *family : {"brave", "vivaldi"})
                if (program.contains(QLatin1String(family))) return QLatin1String(family);
            if (program.contains(QLatin1String("google"))) return QStringLiteral("google-chrome");
            return QStringLiteral("chromium");
        }
        if (argument == QLatin1String(FirefoxExtension) ||
            argument.endsWith(QLatin1String(".json")))
            return QStringLiteral("firefox");
    }
    return QString();
}
