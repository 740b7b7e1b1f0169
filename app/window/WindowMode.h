#pragma once
#include "app/shared/PluginHost.h"
#include "app/shared/SettingsFile.h"

#include <functional>

class WindowHost;

// Whether the ticker's window can open here (a display that answers).
bool tickerWindowAvailable();

// Runs the ticker in its window until it is quit: desktop hooks, the host, the quit
// signals, then shutting down and unloading the plug-ins. whenShown, if given, is
// called with the host once its window is shown. verbose: every log line on stderr.
int runTickerWindow(SettingsFile& settings, PluginHost& plugins, const QString& notice,
                    const std::function<void(WindowHost&)>& whenShown = {}, bool verbose = false);
