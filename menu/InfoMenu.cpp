#include "core/NewsreelPlugin.h"

#include "platform/SystemLog.h"

void NewsreelPlugin::performAction(const QString&) {}

bool NewsreelPlugin::updateMenuItem(QAction*, QMenu*, int, const QVariantMap&, const QString&,
                                    const QString*) {
    return false;
}

void NewsreelPlugin::doActionableMenuItem(QObject*) {
    platform::systemLog(QStringLiteral("menu command not implemented!"));
}

void NewsreelPlugin::showDescription(const QString&, const QString&) {}

void NewsreelPlugin::closeWebWindow(QObject*) {}
