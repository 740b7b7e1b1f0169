#include "app/HostOptions.h"
#include "app/PluginHost.h"
#include "app/SettingsFile.h"

// The ticker window is not built yet: the host runs headless.
bool tickerWindowAvailable() {
    return false;
}
int runTickerWindow(const HostOptions&, SettingsFile&, PluginHost&, const QString&) {
    return 1;
}
