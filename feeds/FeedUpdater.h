#pragma once
#include "core/FeedStatus.h"
#include "feeds/FetchCache.h"
#include "feeds/SignBuilder.h"
#include "feeds/SignPublisher.h"
#include "platform/UpdateLock.h"
#include "platform/UrlFetcher.h"

#include <QString>
#include <atomic>
#include <functional>

class ConditionalFetch;
class FeedDocumentParser;
class FeedStore;
class PluginPreferences;
class PNPennantClientProtocol;
class UpdateLockGuard;

// One update of a feed, start to end, on the update worker: fetch (asking only
// for what changed) → read the document → build the signs → publish and post
// them. A failure at any step leaves the feed's entry and signs as they were and
// says why in the feed's status and the log.
class FeedUpdater {
  public:
    // What the plug-in hears of an update. statusDidChange is called on the
    // worker; the other two ask for work on the main thread (the settings, the
    // timers), which the worker never waits for.
    struct Notifications {
        std::function<void()> statusDidChange;
        std::function<void()> feedsDidChange;
        std::function<void()> feedAddressesDidChange;
    };

    FeedUpdater(FeedStore& store, const PluginPreferences& preferences, PNPennantClientProtocol* signOwner,
                Notifications notifications);

    // Taken by the queue's job before an update and given back by the update
    // once its signs are out: updates never overlap.
    platform::UpdateLock& updateLock() { return lock_; }
    // Bounds of every fetch an update makes (the feed and its channel image).
    platform::FetchLimits& fetchLimits() { return limits_; }
    FetchCache& fetchCache() { return cache_; }
    const FeedStatusBoard& statusBoard() const { return status_; }
    // The plug-in goes away: a running fetch gives up at once, and so does every
    // later update.
    void cancel() {
        goingAway_ = true;
        cancelled_ = true;
    }
    // Deactivation: the running update stops at its next piece of the document
    // (or of its image) and leaves the feed as it was.
    void stopRunningUpdate() { cancelled_ = true; }
    // An update is about to begin: a stop asked for before now was meant for an
    // earlier one. Called before the caller checks that the update is still
    // wanted, so that a stop between the two is not lost.
    void beginUpdate() {
        cancelled_ = false;
        if (goingAway_.load()) cancelled_ = true;
    }

    // One whole update of a feed on the calling thread, holding the update lock,
    // which it gives back.
    void updateFeed(const QString& feedURL);
    // The publishing step alone, for a complete document.
    int parserDidEndDocument(const QString& feedURL, FeedDictionary&& parsed, bool keepDictionary) {
        return publisher_.parserDidEndDocument(feedURL, std::move(parsed), keepDictionary);
    }

  private:
    struct Attempt;
    void run(Attempt& attempt);
    void fail(Attempt& attempt, FeedStatusBoard::State state, const QString& message, bool beep);
    // The update was stopped: nothing is shown or stored, the status is as before.
    void abandon(Attempt& attempt);
    // fileAllowed: whether target may be a local file (a record's own address,
    // or what a page read from a file names).
    platform::FetchResult fetchInto(const QUrl& target, ConditionalFetch& fetch, FeedDocumentParser& parser,
                                    bool haveParsedCopy, bool fileAllowed);
    void finishUnchanged(Attempt& attempt, bool onTicker);
    // A web page that names its feed: the feed is read in the page's place, once.
    // False when the attempt ended here.
    bool followNamedFeed(Attempt& attempt);
    // An address typed without a scheme whose https found no TLS: read over http
    // once in its place, and the record keeps http when that answers with a feed.
    void readOverPlainHttp(Attempt& attempt, const QUrl& url, const platform::FetchResult& overTls);
    bool schemeWasGuessed(const QString& feedURL) const;
    void forgetSchemeGuess(const QString& feedURL);
    void finishWithDocument(Attempt& attempt);

    FeedStore& store_;
    const PluginPreferences& preferences_;
    Notifications notify_;
    platform::UpdateLock lock_;
    platform::FetchLimits limits_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> goingAway_{false};
    // Updates run one at a time, so one set of handles serves them all: feeds on
    // one server share its connection.
    platform::FetchSession session_;
    FetchCache cache_;
    FeedStatusBoard status_;
    SignBuilder builder_;
    SignPublisher publisher_;
};
