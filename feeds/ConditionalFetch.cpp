#include "feeds/ConditionalFetch.h"

platform::FetchResult ConditionalFetch::run(platform::UrlFetcher& fetcher, const QUrl& url,
                                            const platform::UrlFetcher::Receiver& receiver,
                                            const std::function<void(const QByteArray&)>& contentType) {
    revalidated_ = false;
    fresh_ = {};
    const std::optional<FetchCache::Document> remembered = cache_.document(key_);
    if (remembered) fetcher.setValidators(remembered->validators.etag, remembered->validators.lastModified);
    // Only an answer over HTTP can be revalidated; a local file is read each time.
    const bool keepBody = url.scheme().startsWith(QLatin1String("http"), Qt::CaseInsensitive);
    fetcher.setContentTypeReceiver([&](const QByteArray& type) {
        fresh_.contentType = type;
        if (contentType) contentType(type);
    });
    platform::FetchResult result = fetcher.fetch(url, [&](const char* data, std::size_t size) {
        if (keepBody) fresh_.body.append(data, qsizetype(size));
        return receiver(data, size);
    });

    if (result.outcome == platform::FetchResult::NotModified) {
        if (!remembered) {
            result.outcome = platform::FetchResult::Failed;
            result.reason = QStringLiteral("HTTP 304");
            return result;
        }
        revalidated_ = true;
        // A 304 may carry fresher validators for the same body.
        fresh_.validators = remembered->validators;
        if (!result.etag.isEmpty()) fresh_.validators.etag = result.etag;
        if (!result.lastModified.isEmpty()) fresh_.validators.lastModified = result.lastModified;
        fresh_.body = remembered->body;
        fresh_.contentType = remembered->contentType;
        if (contentType) contentType(fresh_.contentType);
        result.outcome = receiver(fresh_.body.constData(), std::size_t(fresh_.body.size()))
                             ? platform::FetchResult::Complete
                             : platform::FetchResult::StoppedByReceiver;
        return result;
    }
    if (result.outcome == platform::FetchResult::Failed &&
        (result.httpStatus == 429 || result.httpStatus == 503))
        cache_.deferFromRetryAfter(key_, result.retryAfter);
    if (result.ok()) fresh_.validators = {result.etag, result.lastModified};
    return result;
}

void ConditionalFetch::documentParsed() {
    cache_.rememberDocument(key_, std::move(fresh_));
    fresh_ = {};
}
