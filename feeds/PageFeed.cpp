#include "feeds/PageFeed.h"

#include "core/NewsreelPlugin.h"
#include "platform/Values.h"

#include <QMetaObject>

PageFeedAdoption adoptPageFeed(NewsreelPlugin& plugin, const QString& pageURL, const QString& feedURL) {
    const QString url = QStringLiteral("url");
    QList<PNSignRef> pageSigns;
    {
        std::lock_guard guard(plugin.dataMutex);
        qsizetype row = -1;
        for (qsizetype i = 0; i < plugin.feeds.size(); ++i) {
            const QString listed = platform::textValue(plugin.feeds.at(i).toMap().value(url));
            if (listed == feedURL) return PageFeedAdoption::FeedListed;
            if (listed == pageURL && row < 0) row = i;
        }
        if (row < 0) return PageFeedAdoption::PageGone;
        // A copy in the record's place: the settings' own list keeps its record
        // until the list is stored.
        QVariantMap record = plugin.feeds.at(row).toMap();
        record.insert(url, feedURL);
        plugin.feeds[row] = record;
        // The URL once served a feed, perhaps: its signs go, and the items hidden
        // from it stay hidden under the feed's URL.
        if (plugin.topDictionary) {
            pageSigns = plugin.topDictionary->value(pageURL).tickers.value_or(QList<PNSignRef>());
            plugin.topDictionary->remove(pageURL);
            plugin.topDictionary->insert(feedURL, FeedDictionary());
        }
        if (plugin.ignored.contains(pageURL)) plugin.ignored.insert(feedURL, plugin.ignored.take(pageURL));
        plugin.movedFeedAddresses.append({pageURL, feedURL});
    }
    if (PNTickerServer* server = plugin.server.load())
        for (const PNSignRef& sign : pageSigns)
            server->removeSign(sign);
    // The timers and the settings are the main thread's.
    plugin.mainThread.post([&plugin] { plugin.feedAddressesDidChange(); });
    return PageFeedAdoption::Adopted;
}
