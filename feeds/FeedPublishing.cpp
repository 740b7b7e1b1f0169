#include "feeds/FeedPublishing.h"

#include "core/NewsreelPlugin.h"
#include "platform/Values.h"

namespace {

bool listedLocked(const NewsreelPlugin& plugin, const QString& feedURL) {
    for (const QVariant& record : plugin.feeds)
        if (platform::textValue(record.toMap().value(QStringLiteral("url"))) == feedURL) return true;
    return false;
}

} // namespace

bool prepareFeedEntry(NewsreelPlugin& plugin, const QString& feedURL, bool* onTicker) {
    std::lock_guard guard(plugin.dataMutex);
    if (!plugin.topDictionary) plugin.topDictionary.emplace();
    const FeedDictionary& entry = (*plugin.topDictionary)[feedURL];
    if (onTicker) *onTicker = entry.tickers && !entry.tickers->isEmpty();
    return entry.channel || entry.items;
}

bool swapFeedSigns(NewsreelPlugin& plugin, const QString& feedURL, FeedDictionary&& parsed,
                   bool keepDictionary) {
    const QList<PNSignRef> fresh = parsed.tickers.value_or(QList<PNSignRef>());
    QList<PNSignRef> previous;
    {
        std::lock_guard guard(plugin.dataMutex);
        if (!plugin.topDictionary) return false;
        auto found = plugin.topDictionary->find(feedURL);
        if (found == plugin.topDictionary->end()) return false;
        FeedDictionary& entry = *found;
        if (!keepDictionary) {
            entry.channel = std::move(parsed.channel);
            entry.items = std::move(parsed.items);
        }
        // The parsed feed is kept for a feed that left the list, but nothing is
        // shown for it: no timer, deactivation or later update would ever take
        // such signs off again.
        if (!listedLocked(plugin, feedURL)) return false;
        previous = entry.tickers.value_or(QList<PNSignRef>());
        // A feed that shows nothing has no "tickers" list, as before any update.
        if (fresh.isEmpty())
            entry.tickers.reset();
        else
            entry.tickers = fresh;
    }
    PNTickerServer* server = plugin.server.load();
    if (!server) return true;
    for (const PNSignRef& sign : fresh) {
        if (sign->actionType() == PNPennantActionTypeCustom)
            server->addSign(sign, &plugin);
        else
            server->addSign(sign);
    }
    for (const PNSignRef& sign : previous)
        server->removeSign(sign);

    // The main thread may have taken signs of this feed off while they were being
    // posted (the feed removed, the plug-in deactivated, an item hidden): its
    // removal came before the posting then, so take those back off here. A sign
    // that is still recorded is one the main thread will remove when it must.
    QList<PNSignRef> orphans;
    {
        std::lock_guard guard(plugin.dataMutex);
        const FeedDictionary* entry = nullptr;
        if (plugin.topDictionary && listedLocked(plugin, feedURL)) {
            auto it = plugin.topDictionary->constFind(feedURL);
            if (it != plugin.topDictionary->cend()) entry = &*it;
        }
        for (const PNSignRef& sign : fresh)
            if (!entry || !entry->tickers || !entry->tickers->contains(sign)) orphans.append(sign);
    }
    for (const PNSignRef& sign : orphans)
        server->removeSign(sign);
    return true;
}

bool isFeedListed(NewsreelPlugin& plugin, const QString& feedURL) {
    std::lock_guard guard(plugin.dataMutex);
    return listedLocked(plugin, feedURL);
}
