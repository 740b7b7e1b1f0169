#include "feeds/FeedListTransfer.h"

#include "core/FeedSchedule.h"
#include "core/FeedStore.h"
#include "core/PluginPreferences.h"
#include "core/SettingsKeys.h"
#include "feeds/FeedListOpml.h"
#include "platform/Values.h"

namespace {

QString reported(const OpmlReport& report, bool* ok) {
    if (ok) *ok = report.ok;
    return report.message;
}

QVariantList storedFeeds(const QVariantMap& settings) {
    const QVariant stored = settings.value(settingkeys::kFeeds);
    return platform::isList(stored) ? stored.toList() : QVariantList();
}

} // namespace

QString FeedListTransfer::importSources(const QString& path, QVariantMap* settings, bool* ok) {
    if (settings) {
        // A plug-in that has never run gets its defaults first, as at its first set-up.
        QVariantMap* held = preferences_.defaults();
        preferences_.setDefaults(settings);
        preferences_.presetDefaults();
        preferences_.setDefaults(held);
        QVariantList list = storedFeeds(*settings);
        const OpmlReport report = importOpmlFile(path, list);
        if (report.ok) settings->insert(settingkeys::kFeeds, list);
        return reported(report, ok);
    }
    QVariantList list = store_.records();
    const qsizetype before = list.size();
    const OpmlReport report = importOpmlFile(path, list);
    if (!report.ok || list.size() == before) return reported(report, ok);
    // The list may have changed meanwhile (an update adopting a page's feed).
    const QVariantList added = store_.appendUnlisted(list.mid(before));
    store_.storeFeeds(preferences_);
    // A running plug-in starts the new feeds as a subscription does; an inactive
    // one makes their timers when activated.
    for (const QVariant& record : added) {
        const QVariantMap fields = record.toMap();
        schedule_.add(
            fields.value(recordkeys::kURL).toString(),
            FeedSchedule::timerPeriodForInterval(platform::doubleValue(fields.value(recordkeys::kInterval))));
    }
    return reported(report, ok);
}

QString FeedListTransfer::exportSources(const QString& path, const QVariantMap* settings, bool* ok) {
    if (settings) return reported(exportOpmlFile(path, storedFeeds(*settings), {}), ok);
    return reported(exportOpmlFile(path, store_.records(), status_ ? status_() : QVariantList()), ok);
}
