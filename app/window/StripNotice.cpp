#include "app/window/StripNotice.h"

#include <QVariantMap>

QString stripNoticeFor(const QList<QVariantList>& sourcesOfEachPlugin) {
    if (sourcesOfEachPlugin.isEmpty()) return {};
    int listed = 0, enabled = 0, failed = 0;
    for (const QVariantList& sources : sourcesOfEachPlugin) {
        for (const QVariant& entry : sources) {
            const QVariantMap source = entry.toMap();
            ++listed;
            if (!source.value(QStringLiteral("enabled")).toBool()) continue;
            ++enabled;
            if (source.value(QStringLiteral("state")).toString() == QLatin1String("failed")) ++failed;
        }
    }
    if (listed == 0) return QStringLiteral("No news yet — right-click for Preferences… to add a feed");
    if (enabled == 0)
        return QStringLiteral("Every feed is turned off — right-click for Preferences… to turn one on");
    if (failed < enabled) return {};
    if (failed == 1) return QStringLiteral("1 feed could not be updated — right-click for Preferences…");
    return QStringLiteral("%1 feeds could not be updated — right-click for Preferences…").arg(failed);
}
