#include "platform/TypedAddress.h"

#include <QUrl>

namespace platform {

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
    // The rule of a feed record's URL: http or https with a host, or a file.
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool usable = url.isValid() && (scheme == u"http" || scheme == u"https"
                                              ? !url.host().isEmpty()
                                              : scheme == u"file" && !url.path().isEmpty());
    if (!usable) return std::nullopt;
    return text;
}

} // namespace platform
