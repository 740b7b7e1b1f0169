#include "app/window/StripNotice.h"

#include <QCoreApplication>
#include <QUrl>
#include <QVariantMap>

namespace {

// A row the user added and has not given an address yet is not a feed so far:
// it is never updated, so it neither fails nor keeps the others' failure quiet.
bool hasAddress(const QVariantMap& source) {
    const QString text = source.value(QStringLiteral("url")).toString().trimmed();
    const QUrl url(text);
    const QString scheme = url.scheme().toLower();
    return !text.isEmpty() && !((scheme == u"http" || scheme == u"https") && url.host().isEmpty());
}

} // namespace

QString stripNoticeFor(const QList<QVariantList>& sourcesOfEachPlugin) {
    if (sourcesOfEachPlugin.isEmpty()) return {};
    int listed = 0, enabled = 0, failed = 0;
    for (const QVariantList& sources : sourcesOfEachPlugin) {
        for (const QVariant& entry : sources) {
            const QVariantMap source = entry.toMap();
            if (!hasAddress(source)) continue;
            ++listed;
            if (!source.value(QStringLiteral("enabled")).toBool()) continue;
            ++enabled;
            if (source.value(QStringLiteral("state")).toString() == QLatin1String("failed")) ++failed;
        }
    }
    if (listed == 0)
        return QCoreApplication::translate("StripNotice",
                                           "No news yet — right-click for Preferences… to add a feed");
    if (enabled == 0)
        return QCoreApplication::translate(
            "StripNotice", "Every feed is turned off — right-click for Preferences… to turn one on");
    if (failed < enabled) return {};
    if (failed == 1)
        return QCoreApplication::translate("StripNotice",
                                           "1 feed could not be updated — right-click for Preferences…");
    return QCoreApplication::translate("StripNotice",
                                       "%1 feeds could not be updated — right-click for Preferences…")
        .arg(failed);
}
