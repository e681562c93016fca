#include "app/mq/MqCommand.h"

#include "base/clsIniFile.h"
#include "core/OptionsLogic.h"
#include "core/ProxyList.h"
#include "core/SettingsJson.h"

#include <QFileInfo>
#include <cstdio>

namespace {
int run(const QStringList &args) {
    if (args.size() != 1) return mqFail(QStringLiteral("usage: mq settings FILE"));
    const QString path = args[0];
    const QFileInfo info(path);
    if (info.exists() ? !info.isFile() || !info.isWritable()
                      : !QFileInfo(info.absolutePath()).isWritable())
        return mqFail(QStringLiteral("cannot write %1").arg(path));
    Settings settings;
    loadSettingsAtStartup(path, settings);
    clsIniFile ini;
    ini.IniFileName = path;
    const QByteArray json = settingsToJson(settings, readProxyEntries(ini)).toJson();
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    return 0;
}
} // namespace

MQ_COMMAND("settings", "settings FILE   (normalise a settings file as start-up does, print it)",
           run);
