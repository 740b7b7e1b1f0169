#include "core/InterfacePart.h"

#include "platform/SystemLog.h"

#include <QWidget>

InterfacePart::InterfacePart(BundleSource bundle, QStringList parts)
    : bundle_(std::move(bundle)), parts_(std::move(parts)) {}

InterfacePart::~InterfacePart() = default;

bool InterfacePart::load(QObject* owner, const QList<platform::Bundle::Outlet>& outlets) {
    if (attempted_) return isLoaded();
    const std::shared_ptr<platform::Bundle> source = bundle_ ? bundle_() : nullptr;
    // Without a bundle yet there is nothing to try: a later call may have one.
    if (!source) return false;
    attempted_ = true;
    root_.reset(source->loadNibNamed(QStringLiteral("NewsreelPane"), owner, outlets, &error_, parts_));
    if (root_) return true;
    for (const platform::Bundle::Outlet& outlet : outlets)
        outlet.set(nullptr);
    platform::systemLog(QStringLiteral("cannot load the interface: %1").arg(error_));
    return false;
}
