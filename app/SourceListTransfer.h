#pragma once
#include "app/HostOptions.h"
#include "app/PluginHost.h"
#include "app/SettingsFile.h"

// `pennant --import FILE` / `--export FILE`: carries the feed list of the settings
// file to or from OPML, prints what was done (or why nothing was) and returns the
// exit code. No plug-in is activated.
int runSourceListTransfer(const HostOptions& options, SettingsFile& settings, PluginHost& plugins);
