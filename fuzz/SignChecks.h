#pragma once
// What the sign builder and the menus do with a feed dictionary, for the fuzz
// harnesses: whatever a document made must be just as sound to read.
#include "feeds/FeedAddress.h"
#include "feeds/SignText.h"
#include "parser/FeedDictionaryForm.h"
#include "parser/ParsedFeed.h"
#include "platform/Values.h"

#include <QUrl>
#include <cstddef>

inline std::size_t consumed = 0; // keeps the results observable

inline void buildSigns(const ParsedFeed& feed) {
    // The sign builder reads the dictionary form.
    const QVariantMap channel = feed.channel ? dictionaryOfChannel(*feed.channel) : QVariantMap();
    const QString feedURL = QStringLiteral("https://feeds.example/rss");
    consumed += std::size_t(platform::intValueOfText(entryText(channel.value(QStringLiteral("ttl")))) & 1);
    const QVariantMap image = channel.value(QStringLiteral("image")).toMap();
    if (auto url = channelImageAddress(entryText(image.value(QStringLiteral("url"))), QUrl(feedURL)))
        consumed += std::size_t(url->toString().size());
    consumed += std::size_t(entryText(image.value(QStringLiteral("link"))).size());
    if (!feed.items) return;
    const QVariantList markers{QStringLiteral("hidden")};
    for (qsizetype i = 0; i < feed.items->size(); ++i) {
        const QVariantMap item = dictionaryOfItem(feed.items->at(i));
        if (isHiddenItem(item, markers)) continue;
        for (int length : {0, 1, 25, 200})
            consumed += std::size_t(signText(item, channel, length).length());
        consumed += std::size_t(itemActionString(i, feedURL).size());
    }
}
