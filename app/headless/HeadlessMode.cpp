#include "app/headless/HeadlessMode.h"

#include "app/headless/HeadlessHost.h"

#include <QCoreApplication>
#include <iostream>

int runHeadless(const HostOptions& options, SettingsFile& settings, PluginHost& plugins) {
    HeadlessHost host(options, settings, plugins);
    host.start();
    const int code = QCoreApplication::exec();
    events::silence();
    for (LoadedPlugin* p : plugins.plugins())
        p->plugin->deactivate();
    plugins.unloadAll();
    const QString saveProblem = settings.save();
    if (!saveProblem.isEmpty()) std::cerr << "pennant: " << saveProblem.toStdString() << std::endl;
    return code;
}
