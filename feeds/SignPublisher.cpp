#include "feeds/SignPublisher.h"

#include "core/FeedStore.h"
#include "core/PluginPreferences.h"
#include "feeds/SignText.h"
#include "platform/Values.h"

// A ttl under a minute (0, negative, not a number) is no interval: adopting it
// would store a record that asks for an update every minute for good.
bool SignPublisher::adoptTimeToLive(const QString& feedURL, const QVariantMap& channel) {
    const auto ttlEntry = channel.constFind(QStringLiteral("ttl"));
    if (ttlEntry == channel.cend()) return false;
    const int ttl = platform::intValueOfText(entryText(*ttlEntry));
    if (ttl < 1) return false;
    return store_.adoptTimeToLive(feedURL, ttl);
}

int SignPublisher::parserDidEndDocument(const QString& feedURL, FeedDictionary&& parsed,
                                        bool keepDictionary) {
    // The working list may be the settings' own list: they are written on the
    // main thread, which this worker never waits for.
    if (!keepDictionary && preferences_.useTTL() && parsed.channel &&
        adoptTimeToLive(feedURL, *parsed.channel))
        feedsDidChange_();
    PNTickerServer* server = preferences_.server();
    QList<PNSignRef> previous;
    // A feed that left the list meanwhile gets no signs (and its image is not
    // fetched); the swap still keeps what was parsed.
    if (!server || !store_.isListed(feedURL)) {
        parsed.tickers.reset();
        if (store_.publish(feedURL, std::move(parsed), keepDictionary, &previous))
            post(feedURL, {}, previous);
        return -1;
    }
    const SignBuilder::Signs signs = builder_.build(feedURL, parsed, store_.hiddenItems(feedURL),
                                                    preferences_.titleLength(), server->viewSize().height);
    // The image fetch gives up when stopped: signs without it are not the feed.
    if (stopped_.load()) return kStopped;
    parsed.tickers = signs.all;
    if (!store_.publish(feedURL, std::move(parsed), keepDictionary, &previous)) return -1;
    post(feedURL, signs.all, previous);
    return signs.itemCount;
}

void SignPublisher::post(const QString& feedURL, const QList<PNSignRef>& fresh,
                         const QList<PNSignRef>& previous) {
    PNTickerServer* server = preferences_.server();
    if (!server) return;
    for (const PNSignRef& sign : fresh) {
        if (sign->actionType() == PNPennantActionTypeCustom)
            server->addSign(sign, signOwner_);
        else
            server->addSign(sign);
    }
    for (const PNSignRef& sign : previous)
        server->removeSign(sign);
    // The main thread may have taken signs of this feed off while they were being
    // posted (the feed removed, the plug-in deactivated, an item hidden): its
    // removal came before the posting then, so take those back off here. A sign
    // that is still recorded is one the main thread will remove when it must.
    for (const PNSignRef& sign : store_.unrecordedSigns(feedURL, fresh))
        server->removeSign(sign);
}
