#include "app/window/WindowMode.h"

#include "app/window/DesktopHooks.h"
#include "app/window/DisplayCheck.h"
#include "app/window/QuitSignals.h"
#include "app/window/WindowHost.h"

#include <QApplication>

bool tickerWindowAvailable() {
    return displayReachable();
}

int runTickerWindow(SettingsFile& settings, PluginHost& plugins, const QString& notice,
                    const std::function<void(WindowHost&)>& whenShown, bool verbose) {
    installDesktopHooks(verbose);
    int code = 0;
    {
        WindowHost host(settings, &plugins, notice);
        QuitSignals quitSignals([&host] { host.quit(); });
        if (whenShown)
            QObject::connect(&host, &WindowHost::shown, &host, [&host, whenShown] { whenShown(host); });
        host.start();
        code = QApplication::exec();
        host.shutDown();
        // The plug-ins go while the strip they were given still exists.
        plugins.unloadAll();
    }
    removeDesktopHooks();
    return code;
}
