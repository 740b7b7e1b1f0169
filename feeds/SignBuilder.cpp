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
// time-to-live by a copy with that interval. True when a record changed.
bool adoptTimeToLive(NewsreelPlugin& plugin, const QString& feedURL, const QVariantMap& channel) {
    const auto ttlEntry = channel.constFind(QStringLiteral("ttl"));
    if (ttlEntry == channel.cend()) return false;
    const int ttl = platform::intValueOfText(entryText(*ttlEntry));
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

// Posts through the host, then records the sign; a sign that cannot be recorded
// is taken back off so that nothing is left on the ticker unaccounted for.
void postSign(NewsreelPlugin& plugin, PNTickerServer& server, const QString& feedURL, const PNSignRef& sign,
              PNPennantClientProtocol* client) {
    if (client)
        server.addSign(sign, client);
    else
        server.addSign(sign);
    if (!recordPostedSign(plugin, feedURL, sign)) server.removeSign(sign);
}

} // namespace

void NewsreelPlugin::parserDidEndDocument(const QString& feedURL, FeedDictionary&& parsed,
                                          UpdateLockGuard& lock) {
    const FeedDictionary feed = parsed;
    if (!publishFeedDictionary(*this, feedURL, std::move(parsed))) {
        lock.release();
        return;
    }
    const QVariantMap channel = feed.channel.value_or(QVariantMap());

    if (useTTL.load() && feed.channel && adoptTimeToLive(*this, feedURL, channel)) {
        // The working list may be the settings' own list: they are written on the
        // main thread, which this worker never waits for.
        QMetaObject::invokeMethod(
            this, [this] { feedsDidChange(); }, Qt::QueuedConnection);
    }

    PNTickerServer* s = server.load();
    if (!s || !isFeedListed(*this, feedURL)) {
        lock.release();
        return;
    }

    const QVariantMap image = channel.value(QStringLiteral("image")).toMap();
    if (feed.channel && image.contains(QStringLiteral("url"))) {
        const std::optional<QUrl> feedURLValue = feedAddress(feedURL);
        const std::optional<QUrl> imageURL =
            feedURLValue ? channelImageAddress(entryText(image.value(QStringLiteral("url"))), *feedURLValue)
                         : std::nullopt;
        const std::optional<QImage> picture =
            imageURL ? fetchChannelImage(*imageURL, fetchLimits, &shuttingDown, &fetchCache) : std::nullopt;
        const std::optional<PNSize> size =
            picture ? channelImageDisplaySize(picture->size(), s->viewSize().height) : std::nullopt;
        if (size) {
            auto sign = std::make_shared<PNImageTickerSign>();
            sign->initWithImage(*picture, *size);
            sign->setToolTip(signToolTip({}, channel));
            sign->setContinuousScrolling(true);
            if (image.contains(QStringLiteral("link"))) {
                sign->setActionType(PNPennantActionTypeURL);
                sign->setActionString(entryText(image.value(QStringLiteral("link"))));
            }
            sign->setLoopCount(PNEndlessLoopCount);
            postSign(*this, *s, feedURL, sign, nullptr);
        }
    }

    if (feed.items) {
        QVariantList markers;
        {
            std::lock_guard guard(dataMutex);
            const QVariant entry = ignored.value(feedURL);
            if (platform::isList(entry)) markers = entry.toList();
        }
        const int length = titleLength.load();
        int posted = 0;
        for (qsizetype i = 0; i < feed.items->size(); ++i) {
            const QVariantMap item = feed.items->at(i).toMap();
            if (isHiddenItem(item, markers)) continue;
            if (posted == kMaxTextSignsPerFeed) {
                // A feed of millions of empty items would otherwise bury the ticker
                // (and the host's memory) in signs nobody can read.
                platform::systemLog(
                    QStringLiteral("showing the first %1 items of %2").arg(posted).arg(feedURL));
                break;
            }
            ++posted;
            auto sign = std::make_shared<PNTextTickerSign>();
            sign->initWithAttributedString(signText(item, channel, length));
            sign->setContinuousScrolling(true);
            sign->setActionType(PNPennantActionTypeCustom);
            sign->setActionString(itemActionString(i, feedURL));
            sign->setToolTip(signToolTip(item, channel));
            sign->setLoopCount(PNEndlessLoopCount);
            postSign(*this, *s, feedURL, sign, this);
        }
    }
    lock.release();
}
