// `import FILE` and `export FILE`: the feed list of the running plug-in to and
// from an OPML file.
#include "app/headless/HeadlessHost.h"
#include "app/shared/SourceListTransfer.h"

#include <QDir>

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
