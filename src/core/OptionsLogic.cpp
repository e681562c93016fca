#include "core/OptionsLogic.h"

#include "base/NumberText.h"
#include "base/clsIniFile.h"

namespace {
const QString kGeneral = QStringLiteral("General");
const QString kOther = QStringLiteral("Other");
const QString kSpeedLimit = QStringLiteral("SpeedLimit");

// The check-box keys of section "Other" in file order, with their fields.
struct FlagKey {
    const char *key;
    int OptionValues::*value;
    qint16 Settings::*setting;
};
const FlagKey kFlagKeys[] = {
    {"StartMin", &OptionValues::StartMin, &Settings::StartMin},
    {"CloseMin", &OptionValues::CloseMin, &Settings::CloseMin},
    {"HideMin", &OptionValues::HideMin, &Settings::HideMin},
    {"UseMQ", &OptionValues::UseMQ, &Settings::UseMQ},
    {"StillDownload", &OptionValues::StillDownload, &Settings::StillDownload},
    {"DoneExit", &OptionValues::DoneExit, &Settings::DoneExit},
    {"DownShutDown", &OptionValues::DownShutDown, &Settings::DownShutDown},
    {"AutoBack", &OptionValues::AutoBack, &Settings::AutoBack},
    {"PopMessage", &OptionValues::PopMessage, &Settings::PopMessage},
};

// The number boxes of section "General" in file order.
struct NumberKey {
    const char *key;
    QString OptionValues::*text;
    qint16 Settings::*setting;
};
const NumberKey kNumberKeys[] = {
    {"Maxjobs", &OptionValues::Maxjobs, &Settings::Maxjobs},
    {"Parts", &OptionValues::Parts, &Settings::Parts},
    {"Retries", &OptionValues::Retries, &Settings::Retries},
    {"Ctimeout", &OptionValues::Ctimeout, &Settings::Ctimeout},
    {"Rtimeout", &OptionValues::Rtimeout, &Settings::Rtimeout},
    {"Redelay", &OptionValues::Redelay, &Settings::Redelay},
};

bool missing(const QString &stored) {
    return stored == clsIniFile::kMissingValue;
}

// True/False as written, or a number (non-zero is true); otherwise the fallback.
bool readFlag(const QString &stored, bool fallback) {
    if (stored.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (stored.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool found = false;
    const double value = NumberText::leadingValue(stored, &found);
    return found ? NumberText::roundToInteger(value) != 0 : fallback;
}
} // namespace

OptionValues defaultOptionValues() {
    OptionValues v;
    v.Maxjobs = QStringLiteral("5");
    v.Parts = QStringLiteral("5");
    v.Retries = QStringLiteral("5");
    v.Ctimeout = QStringLiteral("30");
    v.Rtimeout = QStringLiteral("60");
    v.Redelay = QStringLiteral("5");
    v.Overwrite = false; // Auto rename
    v.Useragent = QStringLiteral("MoorQuill 1.0");
    v.UseMQ = 1;
    v.SpeedLimit = QStringLiteral("0");
    return v;
}

OptionValues iniReadValues(const QString &settingsPath) {
    clsIniFile ini;
    ini.IniFileName = settingsPath;
    ini.beginUpdate(); // read the file once for all keys
    const OptionValues defaults = defaultOptionValues();
    OptionValues v;
    for (const NumberKey &k : kNumberKeys) {
        const QString stored = ini.GetSetting(kGeneral, QLatin1String(k.key));
        v.*k.text = missing(stored) ? defaults.*k.text : stored;
    }
    const QString fileexits = ini.GetSetting(kGeneral, QStringLiteral("Fileexits"));
    v.Overwrite = readFlag(fileexits, defaults.Overwrite);
    const QString agent = ini.GetSetting(kGeneral, QStringLiteral("Useragent"));
    v.Useragent = missing(agent) ? defaults.Useragent : agent;
    v.proxies = readProxyEntries(ini);
    for (const FlagKey &k : kFlagKeys) {
        const QString stored = ini.GetSetting(kOther, QLatin1String(k.key));
        v.*k.value = readFlag(stored, defaults.*k.value != 0) ? 1 : 0;
    }
    // Files written before the speed limit existed simply lack the key.
    const QString limit = ini.GetSetting(kOther, kSpeedLimit);
    v.SpeedLimit = missing(limit) ? defaults.SpeedLimit : limit;
    ini.endUpdate();
    return v;
}

void iniSaveValues(const QString &settingsPath, const OptionValues &values, Settings &settings) {
    clsIniFile ini;
    ini.IniFileName = settingsPath;
    ini.beginUpdate(); // one replacement of the file for the whole store
    ini.DeleteSection(kGeneral);
    for (const NumberKey &k : kNumberKeys)
        ini.SaveSetting(kGeneral, QLatin1String(k.key), values.*k.text);
    ini.SaveSetting(kGeneral, QStringLiteral("Fileexits"),
                    values.Overwrite ? QStringLiteral("True") : QStringLiteral("False"));
    ini.SaveSetting(kGeneral, QStringLiteral("Useragent"), values.Useragent);
    writeProxyEntries(ini, values.proxies);
    ini.DeleteSection(kOther);
    for (const FlagKey &k : kFlagKeys)
        ini.SaveSetting(kOther, QLatin1String(k.key), QString::number(values.*k.value));
    ini.SaveSetting(kOther, kSpeedLimit, values.SpeedLimit);
    ini.endUpdate();

    for (const NumberKey &k : kNumberKeys)
        settings.*k.setting = NumberText::integerValue(values.*k.text);
    settings.Fileexits = values.Overwrite;
    settings.Useragent = values.Useragent;
    for (const FlagKey &k : kFlagKeys)
        settings.*k.setting = qint16(values.*k.value);
    settings.SpeedLimit = speedLimitValue(values.SpeedLimit);
}

qint32 speedLimitValue(const QString &text) {
    const double value = NumberText::leadingValue(text);
    return value >= 1 ? qint32(qMin(value + 0.5, 4194304.0)) : 0;
}

void loadSettingsAtStartup(const QString &settingsPath, Settings &settings) {
    // The options dialog's load stores once, the main window once more.
    const OptionValues values = iniReadValues(settingsPath);
    iniSaveValues(settingsPath, values, settings);
    iniSaveValues(settingsPath, values, settings);
}
