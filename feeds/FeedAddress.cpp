#include "feeds/FeedAddress.h"

std::optional<QUrl> feedAddress(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !isUsableAddress(url, true)) return std::nullopt;
    return url;
}

std::optional<QUrl> channelImageAddress(const QString& text, const QUrl& feedURL) {
    return linkedAddress(text, feedURL);
}
