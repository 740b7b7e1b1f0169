#include "feeds/FetchCache.h"

#include <algorithm>
#include <curl/curl.h>

std::optional<FetchCache::Document> FetchCache::document(const QString& url) const {
    std::lock_guard guard(mutex_);
    auto it = documents_.constFind(url);
    if (it == documents_.cend()) return std::nullopt;
    return *it;
}

void FetchCache::rememberDocument(const QString& url, Document document) {
    if (document.validators.isEmpty()) return forgetDocument(url);
    std::lock_guard guard(mutex_);
    documents_.insert(url, std::move(document));
}

void FetchCache::forgetDocument(const QString& url) {
    std::lock_guard guard(mutex_);
    documents_.remove(url);
}

std::optional<FetchCache::Picture> FetchCache::picture(const QString& url) const {
    std::lock_guard guard(mutex_);
    auto it = pictures_.constFind(url);
    if (it == pictures_.cend()) return std::nullopt;
    return *it;
}

void FetchCache::rememberPicture(const QString& url, Picture picture) {
    if (picture.validators.isEmpty() || picture.image.isNull()) return forgetPicture(url);
    std::lock_guard guard(mutex_);
    pictures_.insert(url, std::move(picture));
}

void FetchCache::forgetPicture(const QString& url) {
    std::lock_guard guard(mutex_);
    pictures_.remove(url);
}

std::optional<QDateTime> FetchCache::deferredUntil(const QString& url, Clock::time_point now) const {
    std::lock_guard guard(mutex_);
    auto it = deferrals_.constFind(url);
    if (it == deferrals_.cend() || it->until <= now) return std::nullopt;
    return it->wallClockUntil;
}

void FetchCache::deferUntil(const QString& url, Clock::time_point until, const QDateTime& wallClockUntil) {
    std::lock_guard guard(mutex_);
    deferrals_.insert(url, Deferral{until, wallClockUntil});
}

bool FetchCache::deferFromRetryAfter(const QString& url, const QByteArray& retryAfter) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const std::optional<std::chrono::seconds> delay = retryAfterDelay(retryAfter, now);
    if (!delay || delay->count() <= 0) return false;
    deferUntil(url, Clock::now() + *delay, now.addSecs(delay->count()));
    return true;
}

std::optional<std::chrono::seconds> FetchCache::retryAfterDelay(const QByteArray& value,
                                                                const QDateTime& now) {
    const QByteArray text = value.trimmed();
    if (text.isEmpty()) return std::nullopt;
    qint64 seconds = 0;
    if (std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= '0' && c <= '9'; })) {
        bool ok = false;
        seconds = text.size() > 12 ? kLongestDeferral.count() : text.toLongLong(&ok);
        if (text.size() <= 12 && !ok) return std::nullopt;
    } else {
        // libcurl reads all three date forms HTTP allows.
        const time_t when = curl_getdate(text.constData(), nullptr);
        if (when == -1) return std::nullopt;
        seconds = qint64(when) - now.toSecsSinceEpoch();
    }
    return std::chrono::seconds(std::clamp<qint64>(seconds, 0, kLongestDeferral.count()));
}
