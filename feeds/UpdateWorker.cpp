#include "core/NewsreelPlugin.h"
#include "core/UpdateLockGuard.h"
#include "feeds/ConditionalFetch.h"
#include "feeds/FeedAddress.h"
#include "feeds/FeedPublishing.h"
#include "feeds/RssHandlers.h"
#include "platform/AlertSound.h"
#include "platform/ContentType.h"
#include "platform/SystemLog.h"
#include "platform/UrlFetcher.h"
#include "platform/XmlEventParser.h"

#include <exception>

namespace {

// Takes the previous update's signs out of the feed's entry (created on first
// use) and empties it; the caller takes them off the ticker.
QList<PNSignRef> emptyFeedEntry(NewsreelPlugin& plugin, const QString& feedURL) {
    std::lock_guard guard(plugin.dataMutex);
    if (!plugin.topDictionary) plugin.topDictionary.emplace();
    FeedDictionary& entry = (*plugin.topDictionary)[feedURL];
    QList<PNSignRef> previous = entry.tickers.value_or(QList<PNSignRef>());
    entry.removeAllObjects();
    return previous;
}

} // namespace

void NewsreelPlugin::updateFeed(const QString& feedURL) {
    // Whatever way this update ends, the lock tick took for it is given back once.
    UpdateLockGuard lock(threadLock);
    try {
        const QList<PNSignRef> previous = emptyFeedEntry(*this, feedURL);
        if (PNTickerServer* s = server.load())
            for (const PNSignRef& sign : previous)
                s->removeSign(sign);

        const std::optional<QUrl> url = feedAddress(feedURL);
        if (!url) {
            lock.release();
            platform::beep();
            return;
        }

        // A server that asked us to wait is not asked again before its time.
        if (const std::optional<QDateTime> until = fetchCache.deferredUntil(feedURL)) {
            platform::systemLog(QStringLiteral("cannot fetch %1: the server asked for no request before %2")
                                    .arg(feedURL, until->toString(Qt::RFC2822Date)));
            lock.release();
            return;
        }

        RssHandlers handlers;
        platform::XmlEventParser parser(handlers);
        handlers.documentDidEnd = [&] { parserDidEndDocument(feedURL, handlers.feedDictionary(), lock); };

        platform::UrlFetcher fetcher(fetchLimits);
        fetcher.setAllowedSchemes({QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("file")});
        fetcher.setCancelFlag(&shuttingDown);
        ConditionalFetch fetch(fetchCache, feedURL);
        const platform::FetchResult fetched = fetch.run(
            fetcher, *url,
            [&parser](const char* data, std::size_t size) { return parser.parseChunk(data, size); },
            [&parser](const QByteArray& type) { parser.setFallbackEncoding(platform::charsetOf(type)); });

        if (fetched.outcome == platform::FetchResult::Failed) {
            if (shuttingDown.load()) return;
            platform::systemLog(QStringLiteral("cannot fetch %1: %2").arg(feedURL, fetched.reason));
            lock.release();
            platform::beep();
            return;
        }
        if (fetched.ok() && parser.finish()) fetch.documentParsed(); // the sign builder ran in finish
        if (parser.failed()) {
            // The feed dictionary keeps what was parsed up to the error.
            publishFeedDictionary(*this, feedURL, handlers.feedDictionary());
        }
    } catch (const std::exception& error) {
        platform::systemLog(
            QStringLiteral("update of %1 failed: %2").arg(feedURL, QString::fromUtf8(error.what())));
    } catch (...) {
        platform::systemLog(QStringLiteral("update of %1 failed").arg(feedURL));
    }
}
