#include "feeds/FetchCache.h"

#include <algorithm>
#include <curl/curl.h>

std::optional<FetchCache::Validators> FetchCache::document(const QString& url) const {
    std::lock_guard guard(mutex_);
    auto it = documents_.constFind(url);
    if (it == documents_.cend()) return std::nullopt;
    return *it;
}

void FetchCache::rememberDocument(const QString& url, Validators validators) {
    if (validators.isEmpty()) return forgetDocument(url);
    std::lock_guard guard(mutex_);
    documents_.insert(url, std::move(validators));
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

namespace {
qint64 imageBytes(const QImage& image) {
    return image.sizeInBytes();
}
} // namespace

void FetchCache::rememberPicture(const QString& url, Picture picture) {
    if (picture.validators.isEmpty() || picture.image.isNull()) return forgetPicture(url);
    const qint64 bytes = imageBytes(picture.image);
    std::lock_guard guard(mutex_);
    if (auto old = pictures_.constFind(url); old != pictures_.cend()) {
        pictureBytes_ -= imageBytes(old->image);
        pictureUse_.removeOne(url);
    }
    // An image larger than the whole bound is shown but not kept.
    if (bytes > kMaxPictureBytes) {
        pictures_.remove(url);
        return;
    }
    while (pictureBytes_ + bytes > kMaxPictureBytes && !pictureUse_.isEmpty()) {
        const QString oldest = pictureUse_.takeFirst();
        pictureBytes_ -= imageBytes(pictures_.value(oldest).image);
        pictures_.remove(oldest);
    }
    pictures_.insert(url, std::move(picture));
    pictureUse_.append(url);
    pictureBytes_ += bytes;
}

void FetchCache::forgetPicture(const QString& url) {
    std::lock_guard guard(mutex_);
    auto it = pictures_.find(url);
    if (it == pictures_.end()) return;
    pictureBytes_ -= imageBytes(it->image);
    pictures_.erase(it);
    pictureUse_.removeOne(url);
}

void FetchCache::notePictureOfFeed(const QString& feedURL, const QString& pictureURL) {
    QString previous;
    {
        std::lock_guard guard(mutex_);
        previous = feedPictures_.value(feedURL);
        if (pictureURL.isEmpty())
            feedPictures_.remove(feedURL);
        else
            feedPictures_.insert(feedURL, pictureURL);
    }
    if (!previous.isEmpty() && previous != pictureURL) forgetPicture(previous);
}

qint64 FetchCache::pictureBytes() const {
    std::lock_guard guard(mutex_);
    return pictureBytes_;
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
    deferUntil(url, clock_() + *delay, now.addSecs(delay->count()));
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
