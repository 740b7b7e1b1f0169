#include "feeds/ChannelImage.h"

#include <QBuffer>
#include <QImageReader>
#include <cmath>

namespace {
// A channel logo is small; a larger decode is refused rather than risked.
constexpr int kImageAllocationLimitMB = 128;
} // namespace

std::optional<PNSize> channelImageDisplaySize(QSize imageSize, float viewHeight) {
    if (imageSize.height() <= 0 || imageSize.width() <= 0) return std::nullopt;
    const int h = std::isfinite(viewHeight) && viewHeight > 0 ? int(std::min(viewHeight, 1.0e6f)) : 0;
    const float ratio = float(imageSize.width()) / float(imageSize.height());
    return PNSize{float(h) * ratio, float(h)};
}

std::optional<QImage> decodeChannelImage(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kImageAllocationLimitMB);
    QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    return image;
}

std::optional<QImage> fetchChannelImage(const QUrl& url, const platform::FetchLimits& limits,
                                        const std::atomic<bool>* cancel, FetchCache* cache,
                                        platform::FetchSession* session) {
    const QString key = url.toString(QUrl::FullyEncoded);
    const std::optional<FetchCache::Picture> remembered = cache ? cache->picture(key) : std::nullopt;
    if (cache && cache->deferredUntil(key)) {
        if (remembered) return remembered->image;
        return std::nullopt;
    }
    platform::UrlFetcher fetcher(limits);
    fetcher.setCancelFlag(cancel);
    fetcher.setSession(session);
    QStringList schemes{QStringLiteral("http"), QStringLiteral("https")};
    if (url.scheme().toLower() == QLatin1String("file")) schemes.append(QStringLiteral("file"));
    fetcher.setAllowedSchemes(schemes);
    if (remembered) fetcher.setValidators(remembered->validators.etag, remembered->validators.lastModified);
    platform::FetchResult result;
    const std::optional<QByteArray> bytes = fetcher.fetchAll(url, &result);
    if (result.outcome == platform::FetchResult::NotModified && remembered) return remembered->image;
    if (!bytes) {
        if (cache && (result.httpStatus == 429 || result.httpStatus == 503))
            cache->deferFromRetryAfter(key, result.retryAfter);
        return std::nullopt;
    }
    std::optional<QImage> image = decodeChannelImage(*bytes);
    if (cache) {
        if (image)
            cache->rememberPicture(key, {{result.etag, result.lastModified}, *image});
        else
            cache->forgetPicture(key);
    }
    return image;
}

QImage imageForDisplay(const QImage& image, PNSize displaySize) {
    const int limit = std::max(1, int(std::ceil(displaySize.height)) * 2);
    if (image.height() <= limit) return image;
    return image.scaledToHeight(limit, Qt::SmoothTransformation);
}
