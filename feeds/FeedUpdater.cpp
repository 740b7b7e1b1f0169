#include "feeds/FeedUpdater.h"

#include "core/FeedStore.h"
#include "core/PluginPreferences.h"
#include "core/SettingsKeys.h"
#include "core/UpdateLockGuard.h"
#include "feeds/ConditionalFetch.h"
#include "feeds/FeedAddress.h"
#include "feeds/SignText.h"
#include "parser/FeedDocumentParser.h"
#include "platform/AlertSound.h"
#include "platform/ContentType.h"
#include "platform/SystemLog.h"
#include "platform/Values.h"

#include <exception>
#include <optional>

using State = FeedStatusBoard::State;
using Outcome = FeedDocumentParser::Outcome;

namespace {

QDateTime now() {
    return QDateTime::currentDateTimeUtc();
}

} // namespace

// What one update has got so far.
struct FeedUpdater::Attempt {
    Attempt(const QString& url, UpdateLockGuard& guard) : feedURL(url), lock(guard) {}
    const QString feedURL;
    UpdateLockGuard& lock;
    std::optional<FeedDocumentParser> parser;
    std::optional<ConditionalFetch> fetch;
    // The document that is read, and where its signs go: the page's feed, once
    // the page named one.
    FeedDocumentParser* document = nullptr;
    ConditionalFetch* documentFetch = nullptr;
    QString shownURL;
    Outcome outcome = Outcome::ParseError;
    std::optional<FeedDocumentParser> named;
    std::optional<ConditionalFetch> namedFetch;
    // The statuses this attempt set to updating, as they were before.
    QList<QPair<QString, FeedStatusBoard::Status>> statusesBefore;
};

FeedUpdater::FeedUpdater(FeedStore& store, const PluginPreferences& preferences,
                         PNPennantClientProtocol* signOwner, Notifications notifications)
    : store_(store), preferences_(preferences), notify_(std::move(notifications)),
      builder_(cache_, limits_, cancelled_, session_),
      publisher_(store, preferences, signOwner, builder_, cancelled_, notify_.feedsDidChange) {}

void FeedUpdater::updateFeed(const QString& feedURL) {
    // Whatever way this update ends, the update lock is given back once.
    UpdateLockGuard lock(lock_);
    Attempt attempt(feedURL, lock);
    try {
        run(attempt);
    } catch (const std::exception& error) {
        platform::systemLog(
            QStringLiteral("update of %1 failed: %2").arg(feedURL, QString::fromUtf8(error.what())));
        status_.fail(feedURL, State::Failed, QString::fromUtf8(error.what()), now());
        notify_.statusDidChange();
    } catch (...) {
        platform::systemLog(QStringLiteral("update of %1 failed").arg(feedURL));
        status_.fail(feedURL, State::Failed, QStringLiteral("internal error"), now());
        notify_.statusDidChange();
    }
}

void FeedUpdater::abandon(Attempt& attempt) {
    for (const auto& [url, before] : attempt.statusesBefore)
        status_.restore(url, before);
    attempt.lock.release();
    notify_.statusDidChange();
}

void FeedUpdater::fail(Attempt& attempt, State state, const QString& message, bool beep) {
    status_.fail(attempt.feedURL, state, message, now());
    attempt.lock.release();
    notify_.statusDidChange();
    if (beep) platform::beep();
}

// Fetches a document into a parser, which hears the transport's charset.
platform::FetchResult FeedUpdater::fetchInto(const QUrl& target, ConditionalFetch& fetch,
                                             FeedDocumentParser& parser, bool haveParsedCopy,
                                             bool fileAllowed) {
    platform::UrlFetcher fetcher(limits_);
    QStringList schemes{QStringLiteral("http"), QStringLiteral("https")};
    if (fileAllowed) schemes.append(QStringLiteral("file"));
    fetcher.setAllowedSchemes(schemes);
    fetcher.setCancelFlag(&cancelled_);
    fetcher.setSession(&session_);
    fetcher.setContentTypeReceiver(
        [&parser](const QByteArray& type) { parser.setFallbackEncoding(platform::charsetOf(type)); });
    // A stop is heard between two pieces: however long a document takes to read,
    // it is never read to its end for nothing.
    return fetch.run(
        fetcher, target,
        [this, &parser](const char* data, std::size_t size) {
            return !cancelled_.load() && parser.parseChunk(data, size);
        },
        haveParsedCopy);
}

void FeedUpdater::run(Attempt& attempt) {
    const QString& feedURL = attempt.feedURL;
    bool onTicker = false;
    const bool haveParsedCopy = store_.prepareEntry(feedURL, &onTicker);
    attempt.statusesBefore.append({feedURL, status_.begin(feedURL, now())});
    notify_.statusDidChange();

    const std::optional<QUrl> url = feedAddress(feedURL);
    if (!url) return fail(attempt, State::Failed, QStringLiteral("not a valid feed address"), true);

    // A server that asked us to wait is not asked again before its time.
    if (const std::optional<QDateTime> until = cache_.deferredUntil(feedURL)) {
        const QString reason =
            QStringLiteral("the server asked for no request before %1").arg(until->toString(Qt::RFC2822Date));
        platform::systemLog(QStringLiteral("cannot fetch %1: %2").arg(feedURL, reason));
        return fail(attempt, State::Deferred, reason, false);
    }

    attempt.parser.emplace(*url);
    attempt.fetch.emplace(cache_, feedURL);
    const platform::FetchResult fetched =
        fetchInto(*url, *attempt.fetch, *attempt.parser, haveParsedCopy, true);
    // Going away, or deactivated: not a failed feed.
    if (cancelled_.load()) return abandon(attempt);
    if (fetched.outcome == platform::FetchResult::Failed && fetched.tlsHandshakeFailed &&
        url->scheme() == QLatin1String("https") && schemeWasGuessed(feedURL))
        return readOverPlainHttp(attempt, *url, fetched);
    // A site that answered over TLS speaks it: https was the right guess.
    if (fetched.outcome != platform::FetchResult::Failed && schemeWasGuessed(feedURL))
        forgetSchemeGuess(feedURL);
    if (fetched.outcome == platform::FetchResult::Failed) {
        platform::systemLog(QStringLiteral("cannot fetch %1: %2").arg(feedURL, fetched.reason));
        return fail(attempt, cache_.deferredUntil(feedURL) ? State::Deferred : State::Failed, fetched.reason,
                    true);
    }
    if (fetched.outcome == platform::FetchResult::NotModified) return finishUnchanged(attempt, onTicker);

    attempt.outcome = attempt.parser->finish();
    if (cancelled_.load()) return abandon(attempt);
    attempt.shownURL = feedURL;
    attempt.document = &*attempt.parser;
    attempt.documentFetch = &*attempt.fetch;
    if (attempt.outcome == Outcome::WebPage && attempt.parser->namedFeed() && !followNamedFeed(attempt))
        return;

    const QString error = attempt.parser->error();
    switch (attempt.outcome) {
    case Outcome::ParseError:
        platform::systemLog(QStringLiteral("parse error in %1: %2").arg(feedURL, error));
        return fail(attempt, State::Failed, QStringLiteral("parse error: %1").arg(error), false);
    case Outcome::NotAFeed:
        platform::systemLog(QStringLiteral("%1 is not an Atom, RSS or JSON feed (%2)").arg(feedURL, error));
        return fail(attempt, State::Failed, QStringLiteral("not an Atom, RSS or JSON feed (%1)").arg(error),
                    true);
    case Outcome::WebPage:
        platform::systemLog(QStringLiteral("%1 is a web page, not a feed").arg(feedURL));
        return fail(attempt, State::Failed, QStringLiteral("a web page, not a feed"), true);
    case Outcome::Feed:
        return finishWithDocument(attempt);
    }
}

// Nothing new: the signs stay as they are, unless none are shown (the plug-in
// was deactivated since), when they are made again from the kept dictionary.
void FeedUpdater::finishUnchanged(Attempt& attempt, bool onTicker) {
    const QString& feedURL = attempt.feedURL;
    FeedDictionary kept = store_.feed(feedURL).value_or(FeedDictionary());
    int items = 0;
    if (!onTicker) {
        kept.tickers.reset();
        items = publisher_.parserDidEndDocument(feedURL, FeedDictionary(kept), true);
        if (items == SignPublisher::kStopped) return abandon(attempt);
        items = std::max(0, items);
    } else {
        items = store_.shownItemCount(feedURL);
    }
    const QVariantMap channel = kept.channel.value_or(QVariantMap());
    status_.succeed(feedURL, State::NotModified, items, entryText(channel.value(QStringLiteral("title"))),
                    entryText(channel.value(QStringLiteral("link"))), now());
    attempt.lock.release();
    notify_.statusDidChange();
}

bool FeedUpdater::followNamedFeed(Attempt& attempt) {
    const QString& feedURL = attempt.feedURL;
    const QUrl target = *attempt.parser->namedFeed();
    const QString targetURL = target.toString();
    attempt.named.emplace(target);
    attempt.namedFetch.emplace(cache_, targetURL);
    // A page from the web never leads to a local file, whatever base it names.
    const bool pageIsFile = feedAddress(feedURL)->scheme().toLower() == QLatin1String("file");
    const platform::FetchResult followed =
        fetchInto(target, *attempt.namedFetch, *attempt.named, false, pageIsFile);
    if (cancelled_.load()) {
        abandon(attempt);
        return false;
    }
    if (followed.outcome == platform::FetchResult::Failed) {
        platform::systemLog(QStringLiteral("cannot fetch %1: %2").arg(targetURL, followed.reason));
        fail(attempt, State::Failed,
             QStringLiteral("the page names the feed %1, which cannot be fetched: %2")
                 .arg(targetURL, followed.reason),
             true);
        return false;
    }
    attempt.outcome = attempt.named->finish();
    if (cancelled_.load()) {
        abandon(attempt);
        return false;
    }
    if (attempt.outcome != Outcome::Feed) {
        // What the page named is no feed either: the page's own failure.
        const QString why =
            attempt.outcome == Outcome::WebPage ? QStringLiteral("a web page") : attempt.named->error();
        platform::systemLog(QStringLiteral("%1 is a web page naming %2, which is not a feed (%3)")
                                .arg(feedURL, targetURL, why));
        fail(attempt, State::Failed,
             QStringLiteral("a web page naming %1, which is not a feed (%2)").arg(targetURL, why), true);
        return false;
    }
    QList<PNSignRef> pageSigns;
    switch (store_.adoptPageFeed(feedURL, targetURL, &pageSigns)) {
    case PageFeedAdoption::PageGone:
        attempt.lock.release(); // removed meanwhile: nothing is left to show
        return false;
    case PageFeedAdoption::FeedListed:
        platform::systemLog(QStringLiteral("%1 is a web page naming the feed %2, which is listed already")
                                .arg(feedURL, targetURL));
        fail(attempt, State::Failed,
             QStringLiteral("a web page naming the feed %1, which is listed already").arg(targetURL), true);
        return false;
    case PageFeedAdoption::Adopted:
        break;
    }
    if (PNTickerServer* server = preferences_.server())
        for (const PNSignRef& sign : pageSigns)
            server->removeSign(sign);
    // The timers and the settings are the main thread's.
    notify_.feedAddressesDidChange();
    platform::systemNote(QStringLiteral("%1: using the feed %2 named by the page").arg(feedURL, targetURL));
    attempt.shownURL = targetURL;
    attempt.document = &*attempt.named;
    attempt.documentFetch = &*attempt.namedFetch;
    attempt.statusesBefore.append({targetURL, status_.begin(targetURL, now())});
    return true;
}

bool FeedUpdater::schemeWasGuessed(const QString& feedURL) const {
    bool guessed = false;
    store_.updateRecordOf(feedURL, [&guessed](QVariantMap& record) {
        guessed = platform::boolValue(record.value(recordkeys::kSchemeGuessed));
        return false; // only read
    });
    return guessed;
}

void FeedUpdater::forgetSchemeGuess(const QString& feedURL) {
    if (store_.updateRecordOf(
            feedURL, [](QVariantMap& record) { return record.remove(recordkeys::kSchemeGuessed) > 0; }))
        notify_.feedsDidChange();
}

void FeedUpdater::readOverPlainHttp(Attempt& attempt, const QUrl& url, const platform::FetchResult& overTls) {
    const QString& feedURL = attempt.feedURL;
    QUrl plain = url;
    plain.setScheme(QStringLiteral("http"));
    const QString plainURL = plain.toString();
    attempt.named.emplace(plain);
    attempt.namedFetch.emplace(cache_, plainURL);
    const platform::FetchResult fetched = fetchInto(plain, *attempt.namedFetch, *attempt.named, false, false);
    if (cancelled_.load()) return abandon(attempt);
    if (fetched.outcome != platform::FetchResult::Complete) {
        const QString reason =
            QStringLiteral("%1; over http: %2")
                .arg(overTls.reason,
                     fetched.reason.isEmpty() ? QStringLiteral("no document") : fetched.reason);
        platform::systemLog(QStringLiteral("cannot fetch %1: %2").arg(feedURL, reason));
        return fail(attempt, State::Failed, reason, true);
    }
    attempt.outcome = attempt.named->finish();
    if (attempt.outcome != Outcome::Feed) {
        const QString reason =
            QStringLiteral("%1; %2 answers, but not with a feed").arg(overTls.reason, plainURL);
        platform::systemLog(QStringLiteral("cannot fetch %1: %2").arg(feedURL, reason));
        return fail(attempt, State::Failed, reason, true);
    }
    QList<PNSignRef> oldSigns;
    switch (store_.adoptPageFeed(feedURL, plainURL, &oldSigns)) {
    case PageFeedAdoption::PageGone:
        attempt.lock.release();
        return;
    case PageFeedAdoption::FeedListed:
        return fail(attempt, State::Failed,
                    QStringLiteral("%1; the feed is listed already as %2").arg(overTls.reason, plainURL),
                    true);
    case PageFeedAdoption::Adopted:
        break;
    }
    forgetSchemeGuess(plainURL);
    if (PNTickerServer* server = preferences_.server())
        for (const PNSignRef& sign : oldSigns)
            server->removeSign(sign);
    notify_.feedAddressesDidChange();
    platform::systemNote(QStringLiteral("%1 speaks no TLS: using %2").arg(feedURL, plainURL));
    attempt.shownURL = plainURL;
    attempt.document = &*attempt.named;
    attempt.documentFetch = &*attempt.namedFetch;
    status_.begin(plainURL, now());
    finishWithDocument(attempt);
}

void FeedUpdater::finishWithDocument(Attempt& attempt) {
    FeedDictionary feed = attempt.document->takeFeed();
    const QVariantMap channel = feed.channel.value_or(QVariantMap());
    const QString title = entryText(channel.value(QStringLiteral("title")));
    const QString link = entryText(channel.value(QStringLiteral("link")));
    // A document read past its faults is shown, and says so; so is one cut short.
    QStringList notes;
    const QString repaired = attempt.document->repairNote();
    if (!repaired.isEmpty()) {
        platform::systemLog(
            QStringLiteral("parse error in %1, repaired: %2").arg(attempt.shownURL, repaired));
        notes << QStringLiteral("repaired: ") + repaired;
    }
    if (feed.itemsLeftOut > 0) {
        const QString leftOut = QStringLiteral("%1 items left out: only the first %2 are kept")
                                    .arg(feed.itemsLeftOut)
                                    .arg(kMaxItemsPerFeed);
        platform::systemLog(QStringLiteral("%1: %2").arg(attempt.shownURL, leftOut));
        notes << leftOut;
    }
    const int items = publisher_.parserDidEndDocument(attempt.shownURL, std::move(feed), false);
    if (items == SignPublisher::kStopped) return abandon(attempt);
    // Remembered only once shown: a stopped update must ask for the whole document again.
    attempt.documentFetch->documentParsed();
    status_.succeed(attempt.shownURL, State::Ok, std::max(0, items), title, link, now(),
                    notes.join(QStringLiteral("; ")));
    attempt.lock.release();
    notify_.statusDidChange();
}
