#include "app/shared/SourceListTransfer.h"

#include <QCoreApplication>
#include <cstdio>

LoadedPlugin* transferringPlugin(PluginHost& plugins) {
    for (LoadedPlugin* p : plugins.plugins())
        if (p->transfer) return p;
    return nullptr;
}

int runSourceListTransfer(const HostOptions& options, SettingsFile& settings, PluginHost& plugins) {
    LoadedPlugin* p = transferringPlugin(plugins);
    if (!p) {
        std::fprintf(stderr, "pennant: %s\n",
                     QCoreApplication::translate("SourceListTransfer", "no plug-in keeps a list of sources")
                         .toUtf8()
                         .constData());
        return 1;
    }
    const bool importing = !options.importPath.isEmpty();
    QVariantMap& dictionary = settings.dictionaryFor(p->bundle->bundleIdentifier());
    bool ok = false;
    const QString message = importing ? p->transfer->importSources(options.importPath, &dictionary, &ok)
                                      : p->transfer->exportSources(options.exportPath, &dictionary, &ok);
    if (ok && importing) {
        const QString problem = settings.save();
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "pennant: %s\n", problem.toUtf8().constData());
            return 1;
        }
    }
    std::fprintf(ok ? stdout : stderr, "%s%s\n", ok ? "" : "pennant: ", message.toUtf8().constData());
    return ok ? 0 : 1;
}
