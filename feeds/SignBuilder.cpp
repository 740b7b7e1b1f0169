#include "feeds/SignBuilder.h"

#include "core/SettingsKeys.h"
#include "feeds/ChannelImage.h"
#include "feeds/FeedAddress.h"
#include "feeds/SignText.h"
#include "parser/ItemHeadline.h"

SignBuilder::Signs SignBuilder::build(const QString& feedURL, const FeedDictionary& feed,
                                      const QVariantList& hiddenItems, int titleLength, float viewHeight,
                                      QStringList* log) {
    Signs signs;
    if (feed.channel)
        if (PNSignRef image = channelImageSign(feedURL, *feed.channel, viewHeight)) signs.all.append(image);
    const QList<PNSignRef> items = itemSigns(feedURL, feed, hiddenItems, titleLength, log);
    signs.all += items;
    signs.itemCount = int(items.size());
    return signs;
}

// None when the channel names no image or it cannot be had.
PNSignRef SignBuilder::channelImageSign(const QString& feedURL, const FeedChannel& channel,
                                        float viewHeight) {
    if (!channel.image || channel.image->url.isNull()) {
        cache_.notePictureOfFeed(feedURL, QString());
        return nullptr;
    }
    const std::optional<QUrl> feedURLValue = feedAddress(feedURL);
    const std::optional<QUrl> imageURL =
        feedURLValue ? channelImageAddress(channel.image->url, *feedURLValue) : std::nullopt;
    cache_.notePictureOfFeed(feedURL, imageURL ? imageURL->toString(QUrl::FullyEncoded) : QString());
    const std::optional<QImage> picture =
        imageURL ? fetchChannelImage(*imageURL, limits_, &cancelled_, &cache_, &session_) : std::nullopt;
    const std::optional<PNSize> size =
        picture ? channelImageDisplaySize(picture->size(), viewHeight) : std::nullopt;
    if (!size) return nullptr;
    auto sign = std::make_shared<PNImageTickerSign>();
    sign->initWithImage(imageForDisplay(*picture, *size), *size);
    sign->setToolTip(signToolTip(FeedItem(), channel));
    sign->setContinuousScrolling(true);
    if (!channel.image->link.isNull()) {
        sign->setActionType(PNPennantActionTypeURL);
        sign->setActionString(channel.image->link);
    }
    sign->setLoopCount(PNEndlessLoopCount);
    return sign;
}

QList<PNSignRef> SignBuilder::itemSigns(const QString& feedURL, const FeedDictionary& feed,
                                        const QVariantList& hiddenItems, int titleLength, QStringList* log) {
    QList<PNSignRef> signs;
    if (!feed.items) return signs;
    static const FeedChannel kNoChannel;
    const FeedChannel& channel = feed.channel ? *feed.channel : kNoChannel;
    for (qsizetype i = 0; i < feed.items->size(); ++i) {
        const FeedItem& item = feed.items->at(i);
        if (isHiddenItem(item, hiddenItems)) continue;
        // Nothing to read: no title and nothing that stands in for one.
        if (itemHeadline(item).isEmpty()) continue;
        if (signs.size() == limits::kMaxTextSignsPerFeed) {
            // A feed of millions of empty items would otherwise bury the ticker
            // (and the host's memory) in signs nobody can read.
            if (log)
                log->append(QStringLiteral("showing the first %1 items of %2")
                                .arg(limits::kMaxTextSignsPerFeed)
                                .arg(feedURL));
            break;
        }
        auto sign = std::make_shared<PNTextTickerSign>();
        sign->initWithAttributedString(signText(item, channel, titleLength));
        sign->setContinuousScrolling(true);
        sign->setActionType(PNPennantActionTypeCustom);
        sign->setActionString(itemActionString(i, feedURL));
        sign->setToolTip(signToolTip(item, channel));
        sign->setLoopCount(PNEndlessLoopCount);
        signs.append(sign);
    }
    return signs;
}
