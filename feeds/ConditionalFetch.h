#pragma once
#include "feeds/FetchCache.h"
#include "platform/UrlFetcher.h"

// One fetch of a feed document that asks the server only for what changed: it
// sends the validators of the remembered body, and on 304 hands that body to the
// receiver as if it had just arrived, so the update runs exactly as for a fresh
// document. A 429 or 503 with Retry-After defers the URL's next fetch.
class ConditionalFetch {
  public:
    ConditionalFetch(FetchCache& cache, QString key) : cache_(cache), key_(std::move(key)) {}

    // contentType hears the answer's Content-Type (the remembered one on 304)
    // before the first body bytes reach receiver.
    platform::FetchResult run(platform::UrlFetcher& fetcher, const QUrl& url,
                              const platform::UrlFetcher::Receiver& receiver,
                              const std::function<void(const QByteArray&)>& contentType);
    // The document parsed to its end: remember it for the next fetch.
    void documentParsed();
    // Whether the last run answered from the remembered body.
    bool revalidated() const { return revalidated_; }

  private:
    FetchCache& cache_;
    QString key_;
    FetchCache::Document fresh_;
    bool revalidated_ = false;
};
