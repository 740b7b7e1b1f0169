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

std::optional<QString> typedFeedAddress(const QString& typed) {
    QString text = typed.trimmed();
    if (text.startsWith(QLatin1String("feed:"), Qt::CaseInsensitive)) {
        text = text.mid(5);
        if (text.startsWith(QLatin1String("//"))) text.prepend(QStringLiteral("https:"));
    }
    // "example.org:8080/feed" would read as a scheme "example.org": only "://"
    // says that a scheme was typed.
    const bool hasScheme =
        text.contains(QLatin1String("://")) || text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
    if (!hasScheme) {
        const QString host = text.section(u'/', 0, 0).section(u':', 0, 0);
        // A bare word is more likely a slip than a host on the local network.
        if (!host.contains(u'.') && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0 &&
            !host.startsWith(u'['))
            return std::nullopt;
        text.prepend(QStringLiteral("https://"));
    }
    if (!feedAddress(text)) return std::nullopt;
    return text;
}
