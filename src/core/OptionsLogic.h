#pragma once

#include "core/ProxyList.h"
#include "core/Settings.h"

#include <QString>
#include <QVector>

// What the options dialog's controls hold: box texts, the Overwrite/Auto
// rename choice, the proxy rows and the check-box states. The dialog only
// moves these values between its widgets and this logic.
struct OptionValues {
    // General
    QString Maxjobs, Parts, Retries, Ctimeout, Rtimeout, Redelay;
    bool Overwrite = false; // Option1 "Overwrite" on; otherwise "Auto rename"
    QString Useragent;
    // Proxy
    using Proxy = ProxyEntry;
    QVector<Proxy> proxies;
    // Other (0 clear, 1 ticked)
    int StartMin = 0, CloseMin = 0, HideMin = 0, UseMQ = 0, StillDownload = 0, DoneExit = 0,
        DownShutDown = 0, AutoBack = 0, PopMessage = 0;
    QString SpeedLimit; // KiB/s for all downloads together, "0": none
};

// What a new user gets for a missing settings file or a missing key.
OptionValues defaultOptionValues();

// iniReadSetting: the settings file as the dialog's controls show it. A key
// missing from the file (or a missing file) takes its default; a key present
// with an empty value shows "Unknown section or key" like any stored text. A
// check box or the Overwrite choice whose text is not a number (or
// True/False) also takes its default.
OptionValues iniReadValues(const QString &settingsPath);
// iniSaveSetting: rewrites the three sections from the values and sets the
// in-memory settings from them.
void iniSaveValues(const QString &settingsPath, const OptionValues &values, Settings &settings);
// Start-up: read through the options logic and store twice, which normalises
// the file and fills the in-memory settings.
void loadSettingsAtStartup(const QString &settingsPath, Settings &settings);
// The speed limit of a box text: its leading number rounded, 0 (none) when
// negative or missing, at most 4,194,304 KiB/s.
qint32 speedLimitValue(const QString &text);
