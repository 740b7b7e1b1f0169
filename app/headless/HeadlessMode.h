#pragma once
#include "app/shared/HostOptions.h"
#include "app/shared/PluginHost.h"
#include "app/shared/SettingsFile.h"

// Runs the ticker without a window until it is quit, then deactivates and unloads
// the plug-ins and writes the settings.
int runHeadless(const HostOptions& options, SettingsFile& settings, PluginHost& plugins);
