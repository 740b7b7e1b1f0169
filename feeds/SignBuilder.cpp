#include "core/NewsreelPlugin.h"
#include "core/UpdateLockGuard.h"
#include "feeds/ChannelImage.h"
#include "feeds/FeedAddress.h"
#include "feeds/FeedPublishing.h"
#include "feeds/SignText.h"
#include "platform/SystemLog.h"
#include "platform/Values.h"

#include <QMetaObject>

namespace {

const QString kInterval = QStringLiteral("interval");
constexpr int kMaxTextSignsPerFeed = 1000;

// Replaces the first record of the feed whose interval differs from the channel's
// time-to-live by a copy with that interval. True when a record changed. A ttl
// under a minute (0, negative, not a number) is no interval: adopting it would
// store a record that asks for an update every minute for good.
bool adoptTimeToLive(NewsreelPlugin& plugin, const QString& feedURL, const QVariantMap& channel) {
    const auto ttlEntry = channel.constFind(QStringLiteral("ttl"));
    if (ttlEntry == channel.cend()) return false;
    const int ttl = platform::intValueOfText(entryText(*ttlEntry));
    if (ttl < 1) return false;
    std::lock_guard guard(plugin.dataMutex);
    for (qsizetype i = 0; i < plugin.feeds.size(); ++i) {
        const QVariantMap record = plugin.feeds.at(i).toMap();
        const QVariant url = record.value(QStringLiteral("url"));
        if (!platform::isText(url) || url.toString() != feedURL) continue;
        if (platform::intValue(record.value(kInterval)) == ttl) continue;
        QVariantMap copy = record;
        copy.insert(kInterval, ttl);
        plugin.feeds[i] = copy;
        return true;
    }
    return false;
}

// The channel image's sign, fetched and decoded before anything is published;
// none when the channel names no image or it cannot be had.
PNSignRef channelImageSign(NewsreelPlugin& plugin, PNTickerServer& server, const QString& feedURL,
                           const QVariantMap& channel) {
    const QVariantMap image = channel.value(QStringLiteral("image")).toMap();
    if (!image.contains(QStringLiteral("url"))) {
        plugin.fetchCache.notePictureOfFeed(feedURL, QString());
        return nullptr;
    }
    const std::optional<QUrl> feedURLValue = feedAddress(feedURL);
    const std::optional<QUrl> imageURL =
        feedURLValue ? channelImageAddress(entryText(image.value(QStringLiteral("url"))), *feedURLValue)
                     : std::nullopt;
    plugin.fetchCache.notePictureOfFeed(feedURL,
                                        imageURL ? imageURL->toString(QUrl::FullyEncoded) : QString());
    const float viewHeight = server.viewSize().height;
    const std::optional<QImage> picture =
        imageURL ? fetchChannelImage(*imageURL, plugin.fetchLimits, &plugin.shuttingDown, &plugin.fetchCache)
                 : std::nullopt;
    const std::optional<PNSize> size =
        picture ? channelImageDisplaySize(picture->size(), viewHeight) : std::nullopt;
    if (!size) return nullptr;
    auto sign = std::make_shared<PNImageTickerSign>();
    sign->initWithImage(imageForDisplay(*picture, *size), *size);
    sign->setToolTip(signToolTip({}, channel));
    sign->setContinuousScrolling(true);
    if (image.contains(QStringLiteral("link"))) {
        sign->setActionType(PNPennantActionTypeURL);
        sign->setActionString(entryText(image.value(QStringLiteral("link"))));
    }
    sign->setLoopCount(PNEndlessLoopCount);
    return sign;
}

QList<PNSignRef> itemSigns(NewsreelPlugin& plugin, const QString& feedURL, const FeedDictionary& feed) {
    QList<PNSignRef> signs;
    if (!feed.items) return signs;
    const QVariantMap channel = feed.channel.value_or(QVariantMap());
    QVariantList markers;
    {
        std::lock_guard guard(plugin.dataMutex);
        const QVariant entry = plugin.ignored.value(feedURL);
        if (platform::isList(entry)) markers = entry.toList();
    }
    const int length = plugin.titleLength.load();
    for (qsizetype i = 0; i < feed.items->size(); ++i) {
        const QVariantMap item = feed.items->at(i).toMap();
        if (isHiddenItem(item, markers)) continue;
        if (signs.size() == kMaxTextSignsPerFeed) {
            // A feed of millions of empty items would otherwise bury the ticker
            // (and the host's memory) in signs nobody can read.
            platform::systemLog(
                QStringLiteral("showing the first %1 items of %2").arg(kMaxTextSignsPerFeed).arg(feedURL));
            break;
        }
        auto sign = std::make_shared<PNTextTickerSign>();
        sign->initWithAttributedString(signText(item, channel, length));
        sign->setContinuousScrolling(true);
        sign->setActionType(PNPennantActionTypeCustom);
        sign->setActionString(itemActionString(i, feedURL));
        sign->setToolTip(signToolTip(item, channel));
        sign->setLoopCount(PNEndlessLoopCount);
        signs.append(sign);
    }
    return signs;
}

} // namespace

int NewsreelPlugin::parserDidEndDocument(const QString& feedURL, FeedDictionary&& parsed,
                                         bool keepDictionary) {
    if (!keepDictionary && useTTL.load() && parsed.channel &&
        adoptTimeToLive(*this, feedURL, *parsed.channel)) {
        // The working list may be the settings' own list: they are written on the
        // main thread, which this worker never waits for.
        mainThread.post([this] { feedsDidChange(); });
    }
    PNTickerServer* s = server.load();
    // A feed that left the list meanwhile gets no signs (and its image is not
    // fetched); the swap still keeps what was parsed.
    if (!s || !isFeedListed(*this, feedURL)) {
        parsed.tickers.reset();
        swapFeedSigns(*this, feedURL, std::move(parsed), keepDictionary);
        return -1;
    }

    QList<PNSignRef> signs;
    if (parsed.channel)
        if (PNSignRef image = channelImageSign(*this, *s, feedURL, *parsed.channel)) signs.append(image);
    const QList<PNSignRef> items = itemSigns(*this, feedURL, parsed);
    signs += items;
    parsed.tickers = signs;
    if (!swapFeedSigns(*this, feedURL, std::move(parsed), keepDictionary)) return -1;
    return int(items.size());
}
