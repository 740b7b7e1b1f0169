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

// One part of "NewsreelPane", loaded once for its owner. A failed load clears
// every outlet (it may have set some to widgets that are gone), logs why and
// keeps the reason; it is not tried again.
class InterfacePart {
  public:
    InterfacePart(BundleSource bundle, QStringList parts);
    ~InterfacePart();

    bool attempted() const { return attempted_; }
    bool isLoaded() const { return root_ != nullptr; }
    // Loads the part with owner receiving its actions and outlets its objects.
    bool load(QObject* owner, const QList<platform::Bundle::Outlet>& outlets);
    QWidget* root() const { return root_.get(); }
    const QString& error() const { return error_; }

  private:
    BundleSource bundle_;
    QStringList parts_;
    bool attempted_ = false;
    std::unique_ptr<QWidget> root_;
    QString error_;
};
