#pragma once
#include "platform/Bundle.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QObject;
class QWidget;

// How a controller gets its part of the plug-in's interface file: the bundle it
// comes from is known only once the host hands it over, and a part is loaded the
// first time it is needed.
using BundleSource = std::function<std::shared_ptr<platform::Bundle>()>;

// Loads parts of "NewsreelPane" for owner and sets its outlets; on failure every
// outlet is cleared (a failed load may have set some to widgets that are gone),
// the reason is logged and kept in *error, and null is returned.
QWidget* loadInterfacePart(const BundleSource& bundle, const QStringList& parts, QObject* owner,
                           const QList<platform::Bundle::Outlet>& outlets, QString* error);
