#include "host/PNProtocols.h"

// Out-of-line destructors keep each class's type information in this library, so
// the host and plug-ins agree on it across the module boundary.
PNTickerServer::~PNTickerServer() = default;
void PNTickerServer::preferencesDidChange(const QString&) {}
void PNTickerServer::pluginDidBecomeIdle(PNPennantPluginProtocol*) {}
void PNTickerServer::sourceStatusDidChange(PNPennantPluginProtocol*) {}
PNPennantPluginProtocol::~PNPennantPluginProtocol() = default;
PNPennantClientProtocol::~PNPennantClientProtocol() = default;
PNPrefPaneProtocol::~PNPrefPaneProtocol() = default;
PNUpdateActivity::~PNUpdateActivity() = default;
PNSourceStatus::~PNSourceStatus() = default;
PNPluginFactory::~PNPluginFactory() = default;
PNSourceListTransfer::~PNSourceListTransfer() = default;
