#include "parser/LinkedAddress.h"

bool isUsableAddress(const QUrl& url, bool fileAllowed) {
    if (!url.isValid()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) return !url.host().isEmpty();
    if (scheme == QLatin1String("file")) return fileAllowed && !url.path().isEmpty();
    return false;
}

std::optional<QUrl> linkedAddress(const QString& text, const QUrl& documentURL) {
    return linkedAddress(text, documentURL, documentURL.scheme().toLower() == QLatin1String("file"));
}

std::optional<QUrl> linkedAddress(const QString& text, const QUrl& base, bool fromFile) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    const QUrl given(trimmed, QUrl::TolerantMode);
    if (!given.isValid()) return std::nullopt;
    // A relative address names a file beside the feed (the bundled demo feeds).
    const QUrl url = given.isRelative() ? base.resolved(given) : given;
    if (!isUsableAddress(url, fromFile)) return std::nullopt;
    return url;
}
