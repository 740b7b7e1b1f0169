// `import FILE` and `export FILE`: the feed list of the running plug-in to and
// from an OPML file; and the same for `pennant --import/--export`, on the
// settings file of a plug-in that is not running.
#include "app/HeadlessHost.h"
#include "app/SourceListTransfer.h"

#include <QDir>
#include <cstdio>

namespace {

LoadedPlugin* transferringPlugin(PluginHost& plugins) {
    for (LoadedPlugin* p : plugins.plugins())
        if (p->transfer) return p;
    return nullptr;
}

} // namespace

void registerSourceListCommands(HeadlessHost& host) {
    for (const char* verb : {"import", "export"}) {
        const bool importing = verb == std::string_view("import");
        host.registerCommand(
            QLatin1String(verb), [&host, verb, importing](const QStringList&, const QString& rest) {
                if (rest.isEmpty())
                    return host.error(QStringLiteral("%1 takes a file").arg(QLatin1String(verb)));
                LoadedPlugin* p = transferringPlugin(host.pluginHost());
                if (!p) return host.error(QStringLiteral("no plug-in keeps a list of sources"));
                const QString path = QDir::current().absoluteFilePath(rest);
                bool ok = false;
                const QString message = importing ? p->transfer->importSources(path, nullptr, &ok)
                                                  : p->transfer->exportSources(path, nullptr, &ok);
                if (!ok) return host.error(message);
                events::print(JsonLine().add("event", verb).add("message", message));
            });
    }
}

int runSourceListTransfer(const HostOptions& options, SettingsFile& settings, PluginHost& plugins) {
    LoadedPlugin* p = transferringPlugin(plugins);
    if (!p) {
        std::fputs("pennant: no plug-in keeps a list of sources\n", stderr);
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
