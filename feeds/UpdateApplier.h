#pragma once
#include "core/FeedStatus.h"
#include "core/FeedStore.h"
#include "feeds/UpdateResult.h"

#include <QHash>
#include <QString>

class FetchCache;
class PluginPreferences;
class PNPennantClientProtocol;

// The main thread's half of an update: it copies out what the worker needs to
// know of a feed, and applies what the worker found, in one step, to the list,
// the feed's entry and signs, and the status board. Nothing here is shared with
// the worker, so nothing here locks.
class UpdateApplier {
  public:
    UpdateApplier(FeedStore& store, const PluginPreferences& preferences, FetchCache& cache,
                  PNPennantClientProtocol* signOwner)
        : store_(store), preferences_(preferences), cache_(cache), signOwner_(signOwner) {}

    // What the list asks the plug-in to do once a result is applied.
    struct Changes {
        bool feeds = false;     // a record changed: the settings are to be written
        bool addresses = false; // a record took another address: timers and settings follow
    };

    // What the worker starts from, as the list, the entry and the settings are now.
    UpdateRequest request(const QString& feedURL, quint64 activation) const;
    // A record's new address, ahead of its update's result.
    Changes apply(AddressChange&& change);
    // current: the result belongs to the activation that is on. One of an
    // earlier activation records what it learnt but shows nothing.
    Changes apply(UpdateResult&& result, bool current);

    const FeedStatusBoard& statusBoard() const { return status_; }

  private:
    // Replaces the feed's signs on the ticker; returns the item signs shown, or
    // -1 when none may be (the feed left the list, no host, not current).
    int show(const QString& feedURL, FeedDictionary&& feed, bool keepDictionary, bool current, int itemCount);
    bool confirmSchemeGuess(const QString& feedURL);
    PageFeedAdoption adopt(const QString& feedURL, const AddressAdoption& adoption, const QDateTime& time,
                           Changes& changes);

    FeedStore& store_;
    const PluginPreferences& preferences_;
    FetchCache& cache_;
    PNPennantClientProtocol* signOwner_;
    FeedStatusBoard status_;
    // How the address changes sent ahead went, until their results come.
    QHash<QString, PageFeedAdoption> adoptions_;
};
