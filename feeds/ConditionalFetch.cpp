#include "feeds/ConditionalFetch.h"

platform::FetchResult ConditionalFetch::run(platform::UrlFetcher& fetcher, const QUrl& url,
                                            const platform::UrlFetcher::Receiver& receiver,
                                            bool haveParsedCopy) {
    fresh_ = {};
    const std::optional<FetchCache::Validators> remembered =
        haveParsedCopy ? cache_.document(key_) : std::nullopt;
    if (remembered) fetcher.setValidators(remembered->etag, remembered->lastModified);
    platform::FetchResult result = fetcher.fetch(url, receiver);

    if (result.outcome == platform::FetchResult::NotModified) {
        if (!remembered) {
            // Nothing was asked conditionally: a 304 is no answer we can use.
            result.outcome = platform::FetchResult::Failed;
            result.reason = QStringLiteral("HTTP 304");
            return result;
        }
        // A 304 may carry fresher validators for the same document.
        FetchCache::Validators kept = *remembered;
        if (!result.etag.isEmpty()) kept.etag = result.etag;
        if (!result.lastModified.isEmpty()) kept.lastModified = result.lastModified;
        cache_.rememberDocument(key_, kept);
        return result;
    }
    if (result.outcome == platform::FetchResult::Failed &&
        (result.httpStatus == 429 || result.httpStatus == 503))
        cache_.deferFromRetryAfter(key_, result.retryAfter);
    // Only an answer over HTTP can be revalidated; a local file is read each time.
    if (result.ok() && url.scheme().startsWith(QLatin1String("http"), Qt::CaseInsensitive))
        fresh_ = {result.etag, result.lastModified};
    return result;
}
