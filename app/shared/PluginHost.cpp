#include "app/shared/PluginHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QLibrary>

PluginHost::~PluginHost() {
    unloadAll();
}

QString PluginHost::defaultFolder() {
    const QString here = QCoreApplication::applicationDirPath();
    const QString beside = here + QStringLiteral("/plugins");
    if (QFileInfo(beside).isDir()) return beside;
    const QString installed = QDir::cleanPath(here + QStringLiteral("/../lib/pennant/plugins"));
    if (QFileInfo(installed).isDir()) return installed;
#ifdef PENNANT_RELATIVE_PLUGIN_DIR
    // Where an install puts the bundles, whatever the prefix (lib may be lib/<triplet>).
    const QString relative = QDir::cleanPath(here + QStringLiteral("/" PENNANT_RELATIVE_PLUGIN_DIR));
    if (QFileInfo(relative).isDir()) return relative;
#endif
#ifdef PENNANT_INSTALLED_PLUGIN_DIR
    if (QFileInfo(QStringLiteral(PENNANT_INSTALLED_PLUGIN_DIR)).isDir())
        return QStringLiteral(PENNANT_INSTALLED_PLUGIN_DIR);
#endif
    return beside;
}

QStringList PluginHost::loadFrom(const QString& folder) {
    QStringList errors;
    const QDir dir(folder);
    if (!dir.exists()) {
        errors << QStringLiteral("the plug-in folder %1 does not exist").arg(folder);
        return errors;
    }
    const QStringList bundles =
        dir.entryList({QStringLiteral("*.bundle")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : bundles) {
        const QString bundlePath = dir.filePath(name);
        const QStringList modules =
            QDir(bundlePath).entryList({QStringLiteral("*.so")}, QDir::Files | QDir::Readable, QDir::Name);
        if (modules.isEmpty()) {
            errors
                << QStringLiteral("cannot load plug-in bundle %1: it holds no module (*.so)").arg(bundlePath);
            continue;
        }
        const QString modulePath = QDir(bundlePath).filePath(modules.first());
        auto entry = std::make_shared<LoadedPlugin>();
        entry->loader = std::make_unique<QPluginLoader>(modulePath);
        // The host's framework must be shared with the module, not copied into it.
        entry->loader->setLoadHints(QLibrary::ResolveAllSymbolsHint);
        const QJsonObject meta = entry->loader->metaData().value(QStringLiteral("MetaData")).toObject();
        const QString identifier = meta.value(QStringLiteral("CFBundleIdentifier")).toString();
        QObject* root = entry->loader->instance();
        if (!root) {
            errors << QStringLiteral("cannot load plug-in bundle %1: %2")
                          .arg(modulePath, entry->loader->errorString());
            continue;
        }
        auto* factory = qobject_cast<PNPluginFactory*>(root);
        if (!factory) {
            errors << QStringLiteral("cannot load plug-in bundle %1: its module is not a Pennant plug-in")
                          .arg(modulePath);
            entry->loader->unload();
            continue;
        }
        if (identifier.isEmpty()) {
            errors << QStringLiteral(
                          "cannot load plug-in bundle %1: its metadata names no CFBundleIdentifier")
                          .arg(modulePath);
            entry->loader->unload();
            continue;
        }
        entry->object = factory->createPrincipalObject();
        entry->plugin = dynamic_cast<PNPennantPluginProtocol*>(entry->object);
        if (!entry->plugin) {
            errors << QStringLiteral("cannot load plug-in bundle %1: its principal object is not a plug-in")
                          .arg(modulePath);
            delete entry->object;
            entry->loader->unload();
            continue;
        }
        entry->client = dynamic_cast<PNPennantClientProtocol*>(entry->object);
        entry->pane = dynamic_cast<PNPrefPaneProtocol*>(entry->object);
        entry->activity = dynamic_cast<PNUpdateActivity*>(entry->object);
        entry->status = dynamic_cast<PNSourceStatus*>(entry->object);
        entry->transfer = dynamic_cast<PNSourceListTransfer*>(entry->object);
        entry->bundle = std::make_shared<platform::Bundle>(bundlePath, identifier);
        entry->plugin->initWithBundle(entry->bundle);
        plugins_.append(entry);
    }
    return errors;
}

QList<LoadedPlugin*> PluginHost::plugins() const {
    QList<LoadedPlugin*> out;
    for (const auto& p : plugins_)
        out.append(p.get());
    return out;
}

void PluginHost::unloadAll() {
    // Plug-ins go before their modules; the modules stay mapped (the process is
    // ending, and detached threads may still be unwinding inside them).
    for (auto& p : plugins_) {
        delete p->object;
        p->object = nullptr;
    }
    plugins_.clear();
}
