#include "feeds/FeedAddress.h"

namespace {

bool isWebScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool isUsable(const QUrl& url, bool fileAllowed) {
    if (!url.isValid()) return false;
    const QString scheme = url.scheme().toLower();
    if (isWebScheme(scheme)) return !url.host().isEmpty();
    if (scheme == QLatin1String("file")) return fileAllowed && !url.path().isEmpty();
    return false;
}

} // namespace

std::optional<QUrl> feedAddress(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !isUsable(url, true)) return std::nullopt;
    return url;
}

std::optional<QUrl> channelImageAddress(const QString& text, const QUrl& feedURL) {
    return linkedAddress(text, feedURL);
}

std::optional<QUrl> linkedAddress(const QString& text, const QUrl& feedURL) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    const QUrl given(trimmed, QUrl::TolerantMode);
    if (!given.isValid()) return std::nullopt;
    // A relative address names a file beside the feed (the bundled demo feeds).
    const QUrl url = given.isRelative() ? feedURL.resolved(given) : given;
    const bool fromFile = feedURL.scheme().toLower() == QLatin1String("file");
    if (!isUsable(url, fromFile)) return std::nullopt;
    return url;
}
