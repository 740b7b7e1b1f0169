#include "core/NewsreelPlugin.h"
#include "core/UpdateLockGuard.h"
#include "feeds/ConditionalFetch.h"
#include "feeds/FeedAddress.h"
#include "feeds/FeedPublishing.h"
#include "feeds/PageFeed.h"
#include "feeds/SignText.h"
#include "parser/FeedDocumentParser.h"
#include "platform/AlertSound.h"
#include "platform/ContentType.h"
#include "platform/SystemLog.h"
#include "platform/UrlFetcher.h"

#include <exception>

namespace {

using State = FeedStatusBoard::State;

QDateTime now() {
    return QDateTime::currentDateTimeUtc();
}

} // namespace

void NewsreelPlugin::updateFeed(const QString& feedURL) {
    // Whatever way this update ends, the update lock is given back once.
    UpdateLockGuard lock(threadLock);
    try {
        bool onTicker = false;
        const bool haveParsedCopy = prepareFeedEntry(*this, feedURL, &onTicker);
        statusBoard.begin(feedURL, now());
        statusDidChange();

        auto fail = [&](State state, const QString& message, bool beep) {
            statusBoard.fail(feedURL, state, message, now());
            lock.release();
            statusDidChange();
            if (beep) platform::beep();
        };

        const std::optional<QUrl> url = feedAddress(feedURL);
        if (!url) return fail(State::Failed, QStringLiteral("not a valid feed address"), true);

        // A server that asked us to wait is not asked again before its time.
        if (const std::optional<QDateTime> until = fetchCache.deferredUntil(feedURL)) {
            const QString reason = QStringLiteral("the server asked for no request before %1")
                                       .arg(until->toString(Qt::RFC2822Date));
            platform::systemLog(QStringLiteral("cannot fetch %1: %2").arg(feedURL, reason));
            return fail(State::Deferred, reason, false);
        }

        // Fetches a document into a parser, which hears the transport's charset.
        auto fetchInto = [this](const QUrl& target, ConditionalFetch& fetch, FeedDocumentParser& parser,
                                bool haveParsedCopy) {
            platform::UrlFetcher fetcher(fetchLimits);
            fetcher.setAllowedSchemes(
                {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("file")});
            fetcher.setCancelFlag(&shuttingDown);
            fetcher.setContentTypeReceiver(
                [&parser](const QByteArray& type) { parser.setFallbackEncoding(platform::charsetOf(type)); });
            return fetch.run(
                fetcher, target,
                [&parser](const char* data, std::size_t size) { return parser.parseChunk(data, size); },
                haveParsedCopy);
        };
        FeedDocumentParser parser(*url);
        ConditionalFetch fetch(fetchCache, feedURL);
        const platform::FetchResult fetched = fetchInto(*url, fetch, parser, haveParsedCopy);

        if (fetched.outcome == platform::FetchResult::Failed) {
            if (shuttingDown.load()) return; // going away is not a failed feed
            platform::systemLog(QStringLiteral("cannot fetch %1: %2").arg(feedURL, fetched.reason));
            if (fetchCache.deferredUntil(feedURL)) return fail(State::Deferred, fetched.reason, true);
            return fail(State::Failed, fetched.reason, true);
        }

        if (fetched.outcome == platform::FetchResult::NotModified) {
            // Nothing new: the signs stay as they are, unless none are shown (the
            // plug-in was deactivated since), when they are made again from the
            // kept feed dictionary.
            FeedDictionary kept;
            {
                std::lock_guard guard(dataMutex);
                if (topDictionary) kept = topDictionary->value(feedURL);
            }
            int items = 0;
            if (!onTicker) {
                kept.tickers.reset();
                items = std::max(0, parserDidEndDocument(feedURL, FeedDictionary(kept), true));
            } else {
                items = shownItemCount(feedURL);
            }
            const QVariantMap channel = kept.channel.value_or(QVariantMap());
            statusBoard.succeed(feedURL, State::NotModified, items,
                                entryText(channel.value(QStringLiteral("title"))),
                                entryText(channel.value(QStringLiteral("link"))), now());
            lock.release();
            statusDidChange();
            return;
        }

        FeedDocumentParser::Outcome outcome = parser.finish();
        // A web page that names its feed: the feed is read in its place, once.
        QString shownURL = feedURL;
        FeedDocumentParser* document = &parser;
        ConditionalFetch* documentFetch = &fetch;
        std::optional<FeedDocumentParser> named;
        std::optional<ConditionalFetch> namedFetch;
        if (outcome == FeedDocumentParser::Outcome::WebPage && parser.namedFeed()) {
            const QUrl target = *parser.namedFeed();
            const QString targetURL = target.toString();
            named.emplace(target);
            namedFetch.emplace(fetchCache, targetURL);
            const platform::FetchResult followed = fetchInto(target, *namedFetch, *named, false);
            if (followed.outcome == platform::FetchResult::Failed) {
                if (shuttingDown.load()) return;
                platform::systemLog(QStringLiteral("cannot fetch %1: %2").arg(targetURL, followed.reason));
                return fail(State::Failed,
                            QStringLiteral("the page names the feed %1, which cannot be fetched: %2")
                                .arg(targetURL, followed.reason),
                            true);
            }
            outcome = named->finish();
            if (outcome == FeedDocumentParser::Outcome::Feed) {
                switch (adoptPageFeed(*this, feedURL, targetURL)) {
                case PageFeedAdoption::PageGone:
                    lock.release(); // removed meanwhile: nothing is left to show
                    return;
                case PageFeedAdoption::FeedListed:
                    platform::systemLog(
                        QStringLiteral("%1 is a web page naming the feed %2, which is listed already")
                            .arg(feedURL, targetURL));
                    return fail(State::Failed,
                                QStringLiteral("a web page naming the feed %1, which is listed already")
                                    .arg(targetURL),
                                true);
                case PageFeedAdoption::Adopted:
                    platform::systemLog(
                        QStringLiteral("%1: using the feed %2 named by the page").arg(feedURL, targetURL));
                    shownURL = targetURL;
                    document = &*named;
                    documentFetch = &*namedFetch;
                    statusBoard.begin(shownURL, now());
                    break;
                }
            } else {
                // What the page named is no feed either: the page's own failure.
                const QString why = outcome == FeedDocumentParser::Outcome::WebPage
                                        ? QStringLiteral("a web page")
                                        : named->error();
                platform::systemLog(QStringLiteral("%1 is a web page naming %2, which is not a feed (%3)")
                                        .arg(feedURL, targetURL, why));
                return fail(
                    State::Failed,
                    QStringLiteral("a web page naming %1, which is not a feed (%2)").arg(targetURL, why),
                    true);
            }
        }

        switch (outcome) {
        case FeedDocumentParser::Outcome::ParseError:
            platform::systemLog(QStringLiteral("parse error in %1: %2").arg(feedURL, parser.error()));
            return fail(State::Failed, QStringLiteral("parse error: %1").arg(parser.error()), false);
        case FeedDocumentParser::Outcome::NotAFeed:
            platform::systemLog(QStringLiteral("%1 is not an RSS feed").arg(feedURL));
            return fail(State::Failed, QStringLiteral("not an RSS feed (%1)").arg(parser.error()), true);
        case FeedDocumentParser::Outcome::WebPage:
            platform::systemLog(QStringLiteral("%1 is a web page, not a feed").arg(feedURL));
            return fail(State::Failed, QStringLiteral("a web page, not a feed"), true);
        case FeedDocumentParser::Outcome::Feed:
            break;
        }
        documentFetch->documentParsed();
        FeedDictionary feed = document->takeFeed();
        const QVariantMap channel = feed.channel.value_or(QVariantMap());
        const QString title = entryText(channel.value(QStringLiteral("title")));
        const QString link = entryText(channel.value(QStringLiteral("link")));
        const int items = parserDidEndDocument(shownURL, std::move(feed), false);
        statusBoard.succeed(shownURL, State::Ok, std::max(0, items), title, link, now());
        lock.release();
        statusDidChange();
    } catch (const std::exception& error) {
        platform::systemLog(
            QStringLiteral("update of %1 failed: %2").arg(feedURL, QString::fromUtf8(error.what())));
        statusBoard.fail(feedURL, State::Failed, QString::fromUtf8(error.what()), now());
        statusDidChange();
    } catch (...) {
        platform::systemLog(QStringLiteral("update of %1 failed").arg(feedURL));
        statusBoard.fail(feedURL, State::Failed, QStringLiteral("internal error"), now());
        statusDidChange();
    }
}

int NewsreelPlugin::shownItemCount(const QString& feedURL) const {
    std::lock_guard guard(dataMutex);
    if (!topDictionary) return 0;
    auto it = topDictionary->constFind(feedURL);
    if (it == topDictionary->cend() || !it->tickers) return 0;
    int count = 0;
    for (const PNSignRef& sign : *it->tickers)
        if (sign->actionType() == PNPennantActionTypeCustom) ++count;
    return count;
}
