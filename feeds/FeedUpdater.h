#pragma once
#include "feeds/FetchCache.h"
#include "feeds/SignBuilder.h"
#include "feeds/UpdateResult.h"
#include "platform/UpdateLock.h"
#include "platform/UrlFetcher.h"

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>

class ConditionalFetch;
class FeedDocumentParser;
class UpdateLockGuard;

// One update of a feed, start to end, on the update worker: fetch (asking only
// for what changed) → read the document → build the signs. It starts from a copy
// of what the main thread knew of the feed and touches none of the plug-in's
// state: everything it found, failure included, is in the result it returns,
// which the main thread applies.
class FeedUpdater {
  public:
    FeedUpdater();

    // Taken by the queue's job before an update and given back by the update
    // when it returns: updates never overlap.
    platform::UpdateLock& updateLock() { return lock_; }
    // Bounds of every fetch an update makes (the feed and its channel image).
    platform::FetchLimits& fetchLimits() { return limits_; }
    // What the worker remembers between fetches; the main thread records the
    // validators of a document once it is shown.
    FetchCache& fetchCache() { return cache_; }
    // The feed whose update runs now, if any. Any thread.
    QString updatingFeed() const;
    // The plug-in goes away: a running fetch gives up at once, and so does every
    // later update.
    void cancel() {
        goingAway_ = true;
        cancelled_ = true;
    }
    // Deactivation: the running update stops at its next piece of the document
    // (or of its image) and its result changes nothing.
    void stopRunningUpdate() { cancelled_ = true; }
    // An update is about to begin: a stop asked for before now was meant for an
    // earlier one. Called before the caller checks that the update is still
    // wanted, so that a stop between the two is not lost.
    void beginUpdate() {
        cancelled_ = false;
        if (goingAway_.load()) cancelled_ = true;
    }

    // One whole update of a feed on the calling thread, holding the update lock,
    // which it gives back. A record's new address goes to addressChanged as soon
    // as it is known, when there is such a handler; else it stays in the result.
    using AddressChangeHandler = std::function<void(AddressChange&&)>;
    UpdateResult updateFeed(const UpdateRequest& request, const AddressChangeHandler& addressChanged = {});

  private:
    struct Attempt;
    void run(Attempt& attempt);
    void fail(Attempt& attempt, FeedStatusBoard::State state, const QString& message, bool beep);
    void log(Attempt& attempt, const QString& line);
    // fileAllowed: whether target may be a local file (a record's own address,
    // or what a page read from a file names).
    platform::FetchResult fetchInto(const QUrl& target, ConditionalFetch& fetch, FeedDocumentParser& parser,
                                    bool haveParsedCopy, bool fileAllowed);
    void finishUnchanged(Attempt& attempt);
    // A web page that names its feed: the feed is read in the page's place, once.
    // False when the attempt ended here.
    bool followNamedFeed(Attempt& attempt);
    // An address typed without a scheme whose https found no TLS: read over http
    // once in its place, and the record keeps http when that answers with a feed.
    void readOverPlainHttp(Attempt& attempt, const QUrl& url, const platform::FetchResult& overTls);
    void finishWithDocument(Attempt& attempt);
    void adopt(Attempt& attempt, AddressAdoption adoption);
    // The signs of a feed, unless the update was stopped meanwhile.
    bool buildSigns(Attempt& attempt, FeedDictionary& feed);

    platform::UpdateLock lock_;
    platform::FetchLimits limits_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> goingAway_{false};
    mutable std::mutex updatingMutex_;
    QString updating_;
    // Updates run one at a time, so one set of handles serves them all: feeds on
    // one server share its connection.
    platform::FetchSession session_;
    FetchCache cache_;
    SignBuilder builder_;
};
