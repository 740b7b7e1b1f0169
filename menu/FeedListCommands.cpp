#include "menu/FeedListCommands.h"

#include "core/FeedSchedule.h"
#include "core/FeedStore.h"
#include "core/ItemAction.h"
#include "core/PluginPreferences.h"
#include "core/SettingsKeys.h"
#include "parser/ItemFields.h"
#include "platform/AlertSound.h"
#include "platform/Values.h"

#include <QCoreApplication>
#include <algorithm>

void FeedListCommands::dontShowAgain(const QString& feedURL, int index, const FeedItem& item) {
    // A guid with attributes is hidden by its text. One without text cannot be a
    // hidden item: taking the sign off would only hide the item until the next
    // update, a promise not kept, so nothing changes and the alert says so.
    const std::optional<QString> guid = fieldText(item.guid);
    if (!guid) return platform::beep();
    const PNSignRef taken = store_.hideItem(feedURL, *guid, itemActionString(index, feedURL));
    if (taken)
        if (PNTickerServer* s = preferences_.server()) s->removeSign(taken);
    // What the user hides stays hidden after the next set-up.
    store_.storeHiddenItems(preferences_);
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
    qsizetype row = -1;
    QVariantMap record;
    for (qsizetype i = 0; i < store_.count() && row < 0; ++i)
        if (const auto candidate = store_.recordAt(i);
            candidate && platform::textValue(candidate->value(recordkeys::kURL)) == feedURL) {
            row = i;
            record = *candidate;
        }
    const QVariantList hiddenItems = store_.hiddenItems(feedURL);
    schedule_.remove(feedURL);
    const QList<PNSignRef> signs = store_.unsubscribe(feedURL);
    PNTickerServer* server = preferences_.server();
    if (server)
        for (const PNSignRef& sign : signs)
            server->removeSign(sign);
    // An unsubscribed feed stays unsubscribed after the next set-up.
    store_.storeFeeds(preferences_);
    if (listDidChange_) listDidChange_();
    if (!server || row < 0) return;
    const std::optional<FeedDictionary> feed = store_.feed(feedURL);
    QString name = feed && feed->channel ? channelTitle(*feed->channel).simplified() : QString();
    if (name.isEmpty()) name = feedURL;
    server->offerUndo(QCoreApplication::translate("FeedListCommands", "Unsubscribed from %1").arg(name),
                      [this, row, record, hiddenItems] { undoUnsubscribe(row, record, hiddenItems); });
}

void FeedListCommands::undoUnsubscribe(qsizetype row, const QVariantMap& record,
                                       const QVariantList& hiddenItems) {
    const QString feedURL = platform::textValue(record.value(recordkeys::kURL));
    // Subscribed again meanwhile: the user's newer record stays.
    if (!store_.reinstate(row, record)) return platform::beep();
    if (store_.hiddenItems(feedURL).isEmpty()) store_.restoreHiddenItems(feedURL, hiddenItems);
    store_.storeFeeds(preferences_);
    store_.storeHiddenItems(preferences_);
    if (listDidChange_) listDidChange_();
    // Its headlines come back with its first update, which starts now.
    if (platform::boolValue(record.value(recordkeys::kEnabled)))
        schedule_.add(feedURL, FeedSchedule::timerPeriodForInterval(
                                   platform::intValue(record.value(recordkeys::kInterval))));
}

void FeedListCommands::subscribeToSource(const QString& sourceURL) {
    if (!store_.subscribe(sourceURL, limits::kDefaultInterval)) return;
    store_.storeFeeds(preferences_);
    if (listDidChange_) listDidChange_();
    // An inactive plug-in has no timers; activation makes the new feed's. The
    // first update starts now.
    schedule_.add(sourceURL, FeedSchedule::timerPeriodForInterval(limits::kDefaultInterval));
}
