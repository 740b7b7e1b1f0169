#include "menu/FeedListCommands.h"

#include "core/FeedSchedule.h"
#include "core/FeedStore.h"
#include "core/PluginPreferences.h"
#include "core/SettingsKeys.h"
#include "menu/FeedFields.h"
#include "platform/AlertSound.h"
#include "platform/Values.h"

#include <algorithm>

void FeedListCommands::dontShowAgain(const QString& feedURL, int index, const QVariantMap& item) {
    // A guid with attributes is hidden by its text. One without text gives no
    // marker: taking the sign off would only hide the item until the next update,
    // a promise not kept, so nothing changes and the alert says so.
    const std::optional<QString> marker = fieldText(item.value(QStringLiteral("guid")));
    if (!marker) return platform::beep();
    const PNSignRef taken = store_.hideItem(feedURL, *marker, QString::number(index) + u',' + feedURL);
    if (taken)
        if (PNTickerServer* s = preferences_.server()) s->removeSign(taken);
    // What the user hides stays hidden after the next set-up.
    store_.storeIgnored(preferences_);
}

void FeedListCommands::setUpdateIntervalTo(const QString& feedURL, const QString& ttl) {
    const int minutes = platform::intValueOfText(ttl);
    // No time-to-live makes a feed update more than once a minute; the record
    // says what the timer does.
    schedule_.setPeriod(feedURL, FeedSchedule::timerPeriodForInterval(minutes));
    const int recordedMinutes = std::max(minutes, 1);
    store_.updateRecordOf(feedURL, [&](QVariantMap& record) {
        record.insert(recordkeys::kInterval, recordedMinutes);
        return true;
    });
    store_.storeFeeds(preferences_);
}

void FeedListCommands::unsubscribeFromFeed(const QString& feedURL) {
    schedule_.remove(feedURL);
    const QList<PNSignRef> signs = store_.unsubscribe(feedURL);
    if (PNTickerServer* s = preferences_.server())
        for (const PNSignRef& sign : signs)
            s->removeSign(sign);
    // An unsubscribed feed stays unsubscribed after the next set-up.
    store_.storeFeeds(preferences_);
}

void FeedListCommands::subscribeToSource(const QString& sourceURL) {
    if (!store_.subscribe(sourceURL, limits::kDefaultInterval)) return;
    store_.storeFeeds(preferences_);
    // An inactive plug-in has no timers; activation makes the new feed's. The
    // first update starts now.
    schedule_.add(sourceURL, FeedSchedule::timerPeriodForInterval(limits::kDefaultInterval));
}
