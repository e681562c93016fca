#include "core/OptionsLogic.h"

// Placeholder until the settings file is implemented.
OptionValues iniReadValues(const QString &) { return {}; }
void iniSaveValues(const QString &, const OptionValues &, Settings &) {}
void loadSettingsAtStartup(const QString &, Settings &) {}
