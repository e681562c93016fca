// set.ini as the program reads it at start-up: the options logic (which reads
// and rewrites the file twice), the proxy list and the new-job proxy choices.
#include "FuzzInput.h"

#include "base/clsIniFile.h"
#include "core/OptionsLogic.h"
#include "core/ProxyList.h"
#include "core/Settings.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("set.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    iniReadValues(path);
    FillProxyChoices(path);
    Settings settings;
    loadSettingsAtStartup(path, settings);
    clsIniFile ini;
    ini.IniFileName = path;
    readProxyEntries(ini);
    return 0;
}
