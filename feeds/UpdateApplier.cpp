#include "feeds/UpdateApplier.h"

#include "core/FeedStore.h"
#include "core/ItemAction.h"
#include "core/PluginPreferences.h"
#include "core/SettingsKeys.h"
#include "feeds/FetchCache.h"
#include "feeds/SignText.h"
#include "platform/AlertSound.h"
#include "platform/SystemLog.h"
#include "platform/Values.h"

#include <algorithm>

using Kind = UpdateResult::Kind;
using State = FeedStatusBoard::State;
using Why = AddressAdoption::Why;

namespace {

void writeLog(const std::vector<UpdateLogLine>& lines) {
    for (const UpdateLogLine& line : lines) {
        if (line.note)
            platform::systemNote(line.text);
        else
            platform::systemLog(line.text);
    }
}

QString titleOf(const FeedDictionary& feed) {
    return feed.channel ? channelTitle(*feed.channel) : QString();
}

QString linkOf(const FeedDictionary& feed) {
    return feed.channel ? fieldTextOrEmpty(feed.channel->link) : QString();
}

// The item a text sign shows, by the index its action string starts with.
const FeedItem* itemOfSign(const FeedDictionary& feed, const PNSignRef& sign) {
    if (!feed.items || sign->actionType() != PNPennantActionTypeCustom) return nullptr;
    const std::optional<ItemActionParts> parts = itemActionParts(sign->actionString());
    if (!parts || parts->index < 0 || parts->index >= feed.items->size()) return nullptr;
    return &feed.items->at(parts->index);
}

} // namespace

UpdateRequest UpdateApplier::request(const QString& feedURL, quint64 activation) const {
    UpdateRequest request;
    request.feedURL = feedURL;
    request.activation = activation;
    request.haveParsedCopy = store_.prepareEntry(feedURL, &request.onTicker);
    if (request.haveParsedCopy && !request.onTicker) request.kept = store_.feed(feedURL);
    store_.updateRecordOf(feedURL, [&request](QVariantMap& record) {
        request.schemeGuessed = platform::boolValue(record.value(recordkeys::kSchemeGuessed));
        return false; // only read
    });
    request.hiddenItems = store_.hiddenItems(feedURL);
    request.titleLength = preferences_.titleLength();
    if (PNTickerServer* server = preferences_.server()) {
        // A feed that left the list gets no signs, and its image is not fetched.
        request.showsSigns = store_.isListed(feedURL);
        request.viewHeight = server->viewSize().height;
    }
    return request;
}

bool UpdateApplier::confirmSchemeGuess(const QString& feedURL) {
    return store_.updateRecordOf(
        feedURL, [](QVariantMap& record) { return record.remove(recordkeys::kSchemeGuessed) > 0; });
}

PageFeedAdoption UpdateApplier::adopt(const QString& feedURL, const AddressAdoption& adoption,
                                      const QDateTime& time, Changes& changes) {
    QList<PNSignRef> pageSigns;
    const PageFeedAdoption outcome = store_.adoptPageFeed(feedURL, adoption.url, &pageSigns);
    switch (outcome) {
    case PageFeedAdoption::PageGone:
        return outcome; // removed meanwhile: nothing is left to show
    case PageFeedAdoption::FeedListed: {
        QString message;
        if (adoption.why == Why::PageNamedFeed) {
            platform::systemLog(QStringLiteral("%1 is a web page naming the feed %2, which is listed already")
                                    .arg(feedURL, adoption.url));
            message =
                QStringLiteral("a web page naming the feed %1, which is listed already").arg(adoption.url);
        } else {
            message =
                QStringLiteral("%1; the feed is listed already as %2").arg(adoption.tlsFailure, adoption.url);
        }
        status_.fail(feedURL, State::Failed, message, time);
        platform::beep();
        return outcome;
    }
    case PageFeedAdoption::Adopted:
        break;
    }
    if (PNTickerServer* server = preferences_.server())
        for (const PNSignRef& sign : pageSigns)
            server->removeSign(sign);
    changes.addresses = true;
    platform::systemNote(
        adoption.why == Why::PageNamedFeed
            ? QStringLiteral("%1: using the feed %2 named by the page").arg(feedURL, adoption.url)
            : QStringLiteral("%1 speaks no TLS: using %2").arg(feedURL, adoption.url));
    return outcome;
}

UpdateApplier::Changes UpdateApplier::apply(AddressChange&& change) {
    Changes changes;
    writeLog(change.log);
    for (const QString& url : std::as_const(change.schemeGuessesConfirmed))
        if (confirmSchemeGuess(url)) changes.feeds = true;
    adoptions_.insert(change.feedURL,
                      adopt(change.feedURL, change.adoption, QDateTime::currentDateTimeUtc(), changes));
    return changes;
}

UpdateApplier::Changes UpdateApplier::apply(UpdateResult&& result, bool current) {
    Changes changes;
    const QString& feedURL = result.feedURL;
    std::optional<PageFeedAdoption> sentAhead;
    if (result.adoptionSentAhead)
        sentAhead = adoptions_.contains(feedURL) ? adoptions_.take(feedURL) : PageFeedAdoption::PageGone;
    // What was learnt of the address before a stop still holds.
    for (const QString& url : std::as_const(result.schemeGuessesConfirmed))
        if (url == feedURL && confirmSchemeGuess(url)) changes.feeds = true;
    if (result.kind == Kind::Stopped) return changes;
    writeLog(result.log);

    switch (result.kind) {
    case Kind::Stopped:
        return changes;
    case Kind::Failed:
        status_.fail(feedURL, result.state, result.message, result.time);
        if (result.beep) platform::beep();
        return changes;
    case Kind::Unchanged: {
        const FeedDictionary kept = store_.feed(feedURL).value_or(FeedDictionary());
        status_.succeed(feedURL, State::NotModified, store_.shownItemCount(feedURL), titleOf(kept),
                        linkOf(kept), result.time);
        return changes;
    }
    case Kind::Published:
        break;
    }

    if (result.adoption) {
        const PageFeedAdoption outcome =
            sentAhead ? *sentAhead : adopt(feedURL, *result.adoption, result.time, changes);
        if (outcome != PageFeedAdoption::Adopted) return changes;
    }
    for (const QString& url : std::as_const(result.schemeGuessesConfirmed))
        if (url != feedURL && confirmSchemeGuess(url)) changes.feeds = true;
    writeLog(result.documentLog);

    const QString& shownURL = result.shownURL;
    if (!result.keepDictionary && preferences_.useTTL() && result.timeToLive &&
        store_.adoptTimeToLive(shownURL, *result.timeToLive))
        changes.feeds = true;
    const QString title = titleOf(result.feed);
    const QString link = linkOf(result.feed);
    const int items =
        show(shownURL, std::move(result.feed), result.keepDictionary, current, result.itemCount);
    // Remembered only once the document is kept: an update that stopped before
    // must ask for the whole document again.
    if (result.validators) cache_.rememberDocument(result.validatorsKey, *result.validators);
    status_.succeed(shownURL, result.keepDictionary ? State::NotModified : State::Ok, std::max(0, items),
                    title, link, result.time, result.message);
    return changes;
}

int UpdateApplier::show(const QString& feedURL, FeedDictionary&& feed, bool keepDictionary, bool current,
                        int itemCount) {
    PNTickerServer* server = preferences_.server();
    // The parsed feed is kept whatever happens; signs only for a listed feed of
    // the activation that is on, since nothing would ever take others off.
    const bool shows = current && server && store_.isListed(feedURL);
    if (!shows) {
        feed.tickers.reset();
        itemCount = -1;
    } else if (feed.tickers) {
        // Items the user hid while the update ran are not brought back.
        const QVariantList hidden = store_.hiddenItems(feedURL);
        if (!hidden.isEmpty()) {
            const qsizetype before = feed.tickers->size();
            feed.tickers->removeIf([&](const PNSignRef& sign) {
                const FeedItem* item = itemOfSign(feed, sign);
                return item && isHiddenItem(*item, hidden);
            });
            itemCount -= int(before - feed.tickers->size());
        }
    }
    const QList<PNSignRef> fresh = feed.tickers.value_or(QList<PNSignRef>());
    QList<PNSignRef> previous;
    if (!store_.publish(feedURL, std::move(feed), keepDictionary, &previous)) return -1;
    if (!server) return itemCount;
    // The new signs go up before the earlier ones come off: the ticker never
    // shows the feed half built or empty.
    for (const PNSignRef& sign : fresh) {
        if (sign->actionType() == PNPennantActionTypeCustom)
            server->addSign(sign, signOwner_);
        else
            server->addSign(sign);
    }
    for (const PNSignRef& sign : previous)
        server->removeSign(sign);
    return itemCount;
}
