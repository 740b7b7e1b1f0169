#pragma once
#include "app/shared/HostOptions.h"
#include "app/shared/PluginHost.h"
#include "app/shared/SettingsFile.h"

// `pennant --import FILE` / `--export FILE`: carries the feed list of the settings
// file to or from OPML, prints what was done (or why nothing was) and returns the
// exit code. No plug-in is activated.
int runSourceListTransfer(const HostOptions& options, SettingsFile& settings, PluginHost& plugins);

// The first plug-in that keeps a list of sources, or none.
LoadedPlugin* transferringPlugin(PluginHost& plugins);
