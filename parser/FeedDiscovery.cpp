#include "parser/FeedDiscovery.h"

#include "parser/HtmlHeadLinks.h"
#include "parser/LinkedAddress.h"

#include <QStringList>

namespace {

bool isFeedType(const QString& type) {
    const QString t = type.section(u';', 0, 0).trimmed().toLower();
    return t == u"application/rss+xml" || t == u"application/atom+xml" || t == u"application/feed+json";
}

bool isAlternate(const QString& rel) {
    return rel.toLower().split(u' ', Qt::SkipEmptyParts).contains(QStringLiteral("alternate"));
}

} // namespace

std::optional<QUrl> discoveredFeed(const QByteArray& page, const QUrl& pageURL) {
    const HtmlHead head = readHtmlHead(page);
    QUrl base = pageURL;
    if (!head.baseHref.trimmed().isEmpty()) base = pageURL.resolved(QUrl(head.baseHref.trimmed()));
    // Whatever base the page names, only a page read from a file may lead to one.
    const bool fromFile = pageURL.scheme().toLower() == QLatin1String("file");
    for (const HtmlHead::Link& link : head.links)
        if (isAlternate(link.rel) && isFeedType(link.type))
            if (std::optional<QUrl> feed = linkedAddress(link.href, base, fromFile)) return feed;
    return std::nullopt;
}

bool looksLikeHtml(const QByteArray& head) {
    const QByteArray start = head.left(4096).toLower();
    return start.contains("<!doctype html") || start.contains("<html") || start.contains("<head");
}

bool htmlHeadIsComplete(const QByteArray& page) {
    const QByteArray lower = page.toLower();
    return lower.contains("</head") || lower.contains("<body");
}
