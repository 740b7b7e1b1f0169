#include "feeds/FeedPublishing.h"

#include "core/NewsreelPlugin.h"
#include "platform/Values.h"

bool publishFeedDictionary(NewsreelPlugin& plugin, const QString& feedURL, FeedDictionary&& parsed) {
    std::lock_guard guard(plugin.dataMutex);
    if (!plugin.topDictionary) return false;
    auto entry = plugin.topDictionary->find(feedURL);
    if (entry == plugin.topDictionary->end()) return false;
    entry->channel = std::move(parsed.channel);
    entry->items = std::move(parsed.items);
    return true;
}

bool recordPostedSign(NewsreelPlugin& plugin, const QString& feedURL, const PNSignRef& sign) {
    std::lock_guard guard(plugin.dataMutex);
    if (!plugin.topDictionary) return false;
    auto entry = plugin.topDictionary->find(feedURL);
    if (entry == plugin.topDictionary->end()) return false;
    if (!entry->tickers) entry->tickers.emplace();
    entry->tickers->append(sign);
    return true;
}

bool isFeedListed(NewsreelPlugin& plugin, const QString& feedURL) {
    std::lock_guard guard(plugin.dataMutex);
    for (const QVariant& record : plugin.feeds)
        if (platform::textValue(record.toMap().value(QStringLiteral("url"))) == feedURL) return true;
    return false;
}
