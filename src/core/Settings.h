#pragma once

#include <QString>
#include <QtGlobal>

// The in-memory settings, one value per settings key. All start at zero,
// empty or clear and are set by the options logic when it stores the settings.
struct Settings {
    // Section "General"
    qint16 Maxjobs = 0;
    qint16 Parts = 0;
    qint16 Retries = 0;
    qint16 Ctimeout = 0;
    qint16 Rtimeout = 0;
    qint16 Redelay = 0;
    bool Fileexits = false; // true: overwrite an existing file; false: auto rename
    QString Useragent;
    // Section "Other" (check boxes, 0 or 1)
    qint16 StartMin = 0;
    qint16 CloseMin = 0;
    qint16 HideMin = 0;
    qint16 UseMQ = 0;
    qint16 StillDownload = 0;
    qint16 DoneExit = 0;
    qint16 DownShutDown = 0;
    qint16 AutoBack = 0;
    qint16 PopMessage = 0;
    qint32 SpeedLimit = 0; // KiB/s for all downloads together, 0: none
};
