#pragma once
#include "feeds/FetchCache.h"
#include "platform/UrlFetcher.h"

// One fetch of a feed document that asks the server only for what changed: while
// the plug-in keeps the feed's parsed form, it sends the validators of the
// document that was parsed, and a 304 comes back as NotModified with no body.
// A 429 or 503 with Retry-After defers the URL's next fetch.
class ConditionalFetch {
  public:
    ConditionalFetch(FetchCache& cache, QString key) : cache_(cache), key_(std::move(key)) {}

    // haveParsedCopy: whether an unchanged answer could be served from what was
    // parsed before; without one the request is not conditional.
    platform::FetchResult run(platform::UrlFetcher& fetcher, const QUrl& url,
                              const platform::UrlFetcher::Receiver& receiver, bool haveParsedCopy);
    const QString& key() const { return key_; }
    // The validators of the document fetched, to be remembered for the next
    // fetch once the document is shown.
    const FetchCache::Validators& freshValidators() const { return fresh_; }

  private:
    FetchCache& cache_;
    QString key_;
    FetchCache::Validators fresh_;
};
