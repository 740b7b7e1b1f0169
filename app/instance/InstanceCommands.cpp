#include "app/instance/InstanceCommands.h"

#include "app/shared/SourceListTransfer.h"
#include "app/window/WindowHost.h"

#include <QTimer>

InstanceReply performInWindow(WindowHost& host, PluginHost* plugins, const InstanceRequest& request) {
    using Command = InstanceRequest::Command;
    switch (request.command) {
    case Command::Preferences:
        host.openPreferences();
        return {true, QStringLiteral("the running ticker shows its preferences")};
    case Command::Refresh:
        host.refreshNow();
        return {true, QStringLiteral("the running ticker updates every feed now")};
    case Command::TogglePause: {
        const bool paused = !host.strip()->isPaused();
        host.strip()->setPaused(paused);
        return {true, paused ? QStringLiteral("the running ticker is paused")
                             : QStringLiteral("the running ticker scrolls again")};
    }
    case Command::Quit:
        // After the answer has gone out.
        QTimer::singleShot(0, &host, [&host] { host.quit(); });
        return {true, QStringLiteral("the running ticker quits")};
    case Command::Import:
    case Command::Export: {
        LoadedPlugin* p = plugins ? transferringPlugin(*plugins) : nullptr;
        if (!p) return {false, QStringLiteral("no plug-in keeps a list of sources")};
        bool ok = false;
        // The running plug-in's own list takes the feeds and stores them, so that
        // nothing the ticker writes later undoes the import.
        const QString message = request.command == Command::Import
                                    ? p->transfer->importSources(request.path, nullptr, &ok)
                                    : p->transfer->exportSources(request.path, nullptr, &ok);
        if (ok && request.command == Command::Import) host.saveSettings();
        return {ok, message};
    }
    }
    return {false, QStringLiteral("no such command")};
}
