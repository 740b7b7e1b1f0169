#include "host/PNProtocols.h"

// Out-of-line destructors keep each class's type information in this library, so
// the host and plug-ins agree on it across the module boundary.
PNTickerServer::~PNTickerServer() = default;
void PNTickerServer::preferencesDidChange(const QString&) {}
void PNTickerServer::pluginDidBecomeIdle(PNPennantPluginProtocol*) {}
void PNTickerServer::sourceStatusDidChange(PNPennantPluginProtocol*) {}
void PNTickerServer::offerUndo(const QString&, std::function<void()>) {}
PNPennantPluginProtocol::~PNPennantPluginProtocol() = default;
PNPennantClientProtocol::~PNPennantClientProtocol() = default;
PNActionLinkOpener::~PNActionLinkOpener() = default;
PNPrefPaneProtocol::~PNPrefPaneProtocol() = default;
PNUpdateActivity::~PNUpdateActivity() = default;
PNSourceStatus::~PNSourceStatus() = default;
PNPluginFactory::~PNPluginFactory() = default;
PNSourceListTransfer::~PNSourceListTransfer() = default;
