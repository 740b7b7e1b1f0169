#pragma once
// What the sign builder and the menus do with a parsed feed, for the fuzz
// harnesses: whatever a document made must be just as sound to read.
#include "feeds/FeedAddress.h"
#include "feeds/SignText.h"
#include "parser/ParsedFeed.h"
#include "platform/Values.h"

#include <QUrl>
#include <cstddef>

inline std::size_t consumed = 0; // keeps the results observable

inline void buildSigns(const ParsedFeed& feed) {
    static const FeedChannel kNoChannel;
    const FeedChannel& channel = feed.channel ? *feed.channel : kNoChannel;
    const QString feedURL = QStringLiteral("https://feeds.example/rss");
    consumed += std::size_t(platform::intValueOfText(fieldTextOrEmpty(channel.ttl)) & 1);
    if (channel.image) {
        if (auto url = channelImageAddress(channel.image->url, QUrl(feedURL)))
            consumed += std::size_t(url->toString().size());
        consumed += std::size_t(channel.image->link.size());
    }
    if (!feed.items) return;
    const QVariantList markers{QStringLiteral("hidden")};
    for (qsizetype i = 0; i < feed.items->size(); ++i) {
        const FeedItem& item = feed.items->at(i);
        if (isHiddenItem(item, markers)) continue;
        for (int length : {0, 1, 25, 200})
            consumed += std::size_t(signText(item, channel, length).length());
        consumed += std::size_t(itemActionString(i, feedURL).size());
    }
}
