#pragma once

#include "browser/PageMovies.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

// The browser window whose page the picker wants scanned, as the window
// system describes it.
struct ScanTarget {
    quint32 window = 0; // the client window
    qint64 pid = 0;     // the process that owns it (0: unknown)
    QString wmClass;    // e.g. "Chromium", "firefox-esr"
    QString title;      // the window title: the active tab's title and the browser's suffix
};

// Asks a browser for the page shown in one of its windows: the document's
// address and its OBJECT and EMBED elements (all frames).
class ScanChannel {
public:
    // Called at most once per request: with the page, or with nothing when
    // the window is unknown to the browser or the page cannot be read.
    using Reply = std::function<void(const std::optional<PageScanResult> &page)>;

    virtual ~ScanChannel() = default;

    // May answer at once (inside this call), later, or never: the caller
    // keeps its own deadline and drops answers it no longer waits for.
    virtual void requestScan(const ScanTarget &target, Reply reply) = 0;
};
