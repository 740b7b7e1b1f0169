// The bundle's module: the host loads it and asks it for the principal object.
#include "plugin/NewsreelPlugin.h"

#include <QObject>

class NewsreelModule : public QObject, public PNPluginFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PNPluginFactory_iid FILE "Info.json")
    Q_INTERFACES(PNPluginFactory)
  public:
    QObject* createPrincipalObject() override { return new NewsreelPlugin; }
};

#include "NewsreelModule.moc"
