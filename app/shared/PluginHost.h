#pragma once
#include "host/PNProtocols.h"
#include "platform/Bundle.h"

#include <QList>
#include <QPluginLoader>
#include <QString>
#include <memory>

// One loaded bundle and the principal object it made.
struct LoadedPlugin {
    std::shared_ptr<platform::Bundle> bundle;
    std::unique_ptr<QPluginLoader> loader;
    QObject* object = nullptr;
    PNPennantPluginProtocol* plugin = nullptr;
    PNPennantClientProtocol* client = nullptr;
    PNPrefPaneProtocol* pane = nullptr;
    PNUpdateActivity* activity = nullptr;
    PNSourceStatus* status = nullptr;
    PNSourceListTransfer* transfer = nullptr;
};

// Finds bundles ("NAME.bundle" folders holding a module) in a plug-in folder and
// loads them. A bundle that fails gives one readable error and the rest go on.
class PluginHost {
  public:
    ~PluginHost();
    // Returns the errors, one line each.
    QStringList loadFrom(const QString& folder);
    QList<LoadedPlugin*> plugins() const;
    void unloadAll();

    static QString defaultFolder();

  private:
    QList<std::shared_ptr<LoadedPlugin>> plugins_;
};
