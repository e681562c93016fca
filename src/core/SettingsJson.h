#pragma once

#include "base/JsonOut.h"
#include "core/ProxyList.h"
#include "core/Settings.h"

#include <QVector>

// The in-memory settings as one JSON object keyed by the setting names, with
// "Proxies" as the list of "host:port" texts in order.
JsonOut settingsToJson(const Settings &settings, const QVector<ProxyEntry> &proxies);
