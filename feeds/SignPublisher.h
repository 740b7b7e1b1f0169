#pragma once
#include "core/FeedDictionary.h"
#include "feeds/SignBuilder.h"

#include <QString>
#include <atomic>
#include <functional>

class FeedStore;
class PluginPreferences;
class PNPennantClientProtocol;

// The last step of an update: a complete feed dictionary becomes the feed's
// published entry and its signs replace the earlier ones on the ticker. The new
// signs are built privately and swapped in one step under the store's lock, then
// posted before the earlier ones come off, so the ticker never shows the feed
// half built or empty. Runs on the update worker.
class SignPublisher {
  public:
    // stopped: set while the update is to give up (the plug-in deactivated).
    SignPublisher(FeedStore& store, const PluginPreferences& preferences, PNPennantClientProtocol* signOwner,
                  SignBuilder& builder, const std::atomic<bool>& stopped,
                  std::function<void()> feedsDidChange)
        : store_(store), preferences_(preferences), signOwner_(signOwner), builder_(builder),
          stopped_(stopped), feedsDidChange_(std::move(feedsDidChange)) {}

    static constexpr int kStopped = -2;

    // Adopts the channel's time-to-live, makes the image and item signs and swaps
    // them for the feed's earlier ones (with keepDictionary, only the signs are
    // made again, from the kept dictionary). Returns the number of item signs
    // shown, -1 when the feed left the list, or kStopped when the update was
    // stopped before anything was published.
    int parserDidEndDocument(const QString& feedURL, FeedDictionary&& parsed, bool keepDictionary);

  private:
    bool adoptTimeToLive(const QString& feedURL, const QVariantMap& channel);
    // Posts fresh, takes previous off, then takes back any of fresh that the main
    // thread removed meanwhile.
    void post(const QString& feedURL, const QList<PNSignRef>& fresh, const QList<PNSignRef>& previous);

    FeedStore& store_;
    const PluginPreferences& preferences_;
    PNPennantClientProtocol* signOwner_;
    SignBuilder& builder_;
    const std::atomic<bool>& stopped_;
    std::function<void()> feedsDidChange_;
};
