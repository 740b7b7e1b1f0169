#include "core/InterfaceLoader.h"

#include "platform/SystemLog.h"

QWidget* loadInterfacePart(const BundleSource& bundle, const QStringList& parts, QObject* owner,
                           const QList<platform::Bundle::Outlet>& outlets, QString* error) {
    const std::shared_ptr<platform::Bundle> source = bundle ? bundle() : nullptr;
    if (!source) return nullptr;
    QString reason;
    QWidget* root = source->loadNibNamed(QStringLiteral("NewsreelPane"), owner, outlets, &reason, parts);
    if (root) return root;
    for (const platform::Bundle::Outlet& outlet : outlets)
        outlet.set(nullptr);
    if (error) *error = reason;
    platform::systemLog(QStringLiteral("cannot load the interface: %1").arg(reason));
    return nullptr;
}
