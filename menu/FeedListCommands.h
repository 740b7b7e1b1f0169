#pragma once
#include "parser/FeedModel.h"
#include <QString>

#include <QVariantMap>
#include <functional>

class FeedSchedule;
class FeedStore;
class PluginPreferences;

// The information menu's commands that change the feed list or the hidden items,
// with the context the click resolved. Each keeps the timers in step and writes
// what it changed to the settings at once. Main thread.
class FeedListCommands {
  public:
    FeedListCommands(FeedStore& store, FeedSchedule& schedule, PluginPreferences& preferences)
        : store_(store), schedule_(schedule), preferences_(preferences) {}

    // Hides the item (by its guid's text) for good and takes its sign off.
    void dontShowAgain(const QString& feedURL, int index, const FeedItem& item);
    void setUpdateIntervalTo(const QString& feedURL, const QString& ttl);
    // Takes the feed out of the list and offers, through the host, to put it back
    // as it was (its place, interval and hidden items) for a short while.
    void unsubscribeFromFeed(const QString& feedURL);
    void subscribeToSource(const QString& sourceURL);
    // Called whenever a command changed which feeds are listed.
    void setListDidChange(std::function<void()> listDidChange) { listDidChange_ = std::move(listDidChange); }

  private:
    void undoUnsubscribe(qsizetype row, const QVariantMap& record, const QVariantList& hiddenItems);

    FeedStore& store_;
    FeedSchedule& schedule_;
    PluginPreferences& preferences_;
    std::function<void()> listDidChange_;
};
