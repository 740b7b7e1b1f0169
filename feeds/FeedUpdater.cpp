#include "feeds/FeedUpdater.h"

#include "core/UpdateLockGuard.h"
#include "feeds/ConditionalFetch.h"
#include "feeds/FeedAddress.h"
#include "feeds/SignText.h"
#include "parser/FeedDocumentParser.h"
#include "platform/ContentType.h"
#include "platform/Values.h"

#include <exception>
#include <optional>
#include <utility>

using State = FeedStatusBoard::State;
using Outcome = FeedDocumentParser::Outcome;
using Kind = UpdateResult::Kind;

namespace {

QDateTime now() {
    return QDateTime::currentDateTimeUtc();
}

// A ttl under a minute (0, negative, not a number) is no interval: adopting it
// would store a record that asks for an update every minute for good.
std::optional<int> timeToLiveOf(const std::optional<FeedChannel>& channel) {
    if (!channel || !channel->ttl.isPresent()) return std::nullopt;
    const int ttl = platform::intValueOfText(fieldTextOrEmpty(channel->ttl));
    if (ttl < 1) return std::nullopt;
    return ttl;
}

} // namespace

// What one update has got so far.
struct FeedUpdater::Attempt {
    Attempt(const UpdateRequest& r, UpdateLockGuard& guard, const AddressChangeHandler& handler)
        : request(r), feedURL(r.feedURL), lock(guard), addressChanged(handler) {
        result.feedURL = r.feedURL;
        result.activation = r.activation;
    }
    const UpdateRequest& request;
    const QString feedURL;
    UpdateLockGuard& lock;
    const AddressChangeHandler& addressChanged;
    UpdateResult result;
    std::optional<FeedDocumentParser> parser;
    std::optional<ConditionalFetch> fetch;
    // The document that is read, and where its signs go: the page's feed, once
    // the page named one.
    FeedDocumentParser* document = nullptr;
    ConditionalFetch* documentFetch = nullptr;
    Outcome outcome = Outcome::ParseError;
    std::optional<FeedDocumentParser> named;
    std::optional<ConditionalFetch> namedFetch;
    // Lines logged from here on follow the adoption of another address.
    bool adopted = false;
};

FeedUpdater::FeedUpdater() : builder_(cache_, limits_, cancelled_, session_) {}

QString FeedUpdater::updatingFeed() const {
    std::lock_guard guard(updatingMutex_);
    return updating_;
}

UpdateResult FeedUpdater::updateFeed(const UpdateRequest& request,
                                     const AddressChangeHandler& addressChanged) {
    // Whatever way this update ends, the update lock is given back once.
    UpdateLockGuard lock(lock_);
    {
        std::lock_guard guard(updatingMutex_);
        updating_ = request.feedURL;
    }
    Attempt attempt(request, lock, addressChanged);
    try {
        run(attempt);
    } catch (const std::exception& error) {
        attempt.result = UpdateResult();
        attempt.result.feedURL = request.feedURL;
        attempt.result.activation = request.activation;
        log(attempt,
            QStringLiteral("update of %1 failed: %2").arg(request.feedURL, QString::fromUtf8(error.what())));
        fail(attempt, State::Failed, QString::fromUtf8(error.what()), false);
    } catch (...) {
        attempt.result = UpdateResult();
        attempt.result.feedURL = request.feedURL;
        attempt.result.activation = request.activation;
        log(attempt, QStringLiteral("update of %1 failed").arg(request.feedURL));
        fail(attempt, State::Failed, QStringLiteral("internal error"), false);
    }
    // Going away, or deactivated: not a failed feed, and nothing to show.
    if (cancelled_.load()) attempt.result.kind = Kind::Stopped;
    attempt.result.time = now();
    {
        std::lock_guard guard(updatingMutex_);
        updating_.clear();
    }
    return std::move(attempt.result);
}

void FeedUpdater::log(Attempt& attempt, const QString& line) {
    (attempt.adopted ? attempt.result.documentLog : attempt.result.log).push_back({line, false});
}

void FeedUpdater::fail(Attempt& attempt, State state, const QString& message, bool beep) {
    attempt.result.kind = Kind::Failed;
    attempt.result.state = state;
    attempt.result.message = message;
    attempt.result.beep = beep;
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
    const std::optional<QUrl> url = feedAddress(feedURL);
    if (!url) return fail(attempt, State::Failed, QStringLiteral("not a valid feed address"), true);

    // A server that asked us to wait is not asked again before its time.
    if (const std::optional<QDateTime> until = cache_.deferredUntil(feedURL)) {
        const QString reason =
            QStringLiteral("the server asked for no request before %1").arg(until->toString(Qt::RFC2822Date));
        log(attempt, QStringLiteral("cannot fetch %1: %2").arg(feedURL, reason));
        return fail(attempt, State::Deferred, reason, false);
    }

    attempt.parser.emplace(*url);
    attempt.fetch.emplace(cache_, feedURL);
    const platform::FetchResult fetched =
        fetchInto(*url, *attempt.fetch, *attempt.parser, attempt.request.haveParsedCopy, true);
    if (cancelled_.load()) return;
    if (fetched.outcome == platform::FetchResult::Failed && fetched.tlsHandshakeFailed &&
        url->scheme() == QLatin1String("https") && attempt.request.schemeGuessed)
        return readOverPlainHttp(attempt, *url, fetched);
    // A site that answered over TLS speaks it: https was the right guess.
    if (fetched.outcome != platform::FetchResult::Failed && attempt.request.schemeGuessed)
        attempt.result.schemeGuessesConfirmed.append(feedURL);
    if (fetched.outcome == platform::FetchResult::Failed) {
        log(attempt, QStringLiteral("cannot fetch %1: %2").arg(feedURL, fetched.reason));
        return fail(attempt, cache_.deferredUntil(feedURL) ? State::Deferred : State::Failed, fetched.reason,
                    true);
    }
    if (fetched.outcome == platform::FetchResult::NotModified) return finishUnchanged(attempt);

    attempt.outcome = attempt.parser->finish();
    if (cancelled_.load()) return;
    attempt.result.shownURL = feedURL;
    attempt.document = &*attempt.parser;
    attempt.documentFetch = &*attempt.fetch;
    if (attempt.outcome == Outcome::WebPage && attempt.parser->namedFeed() && !followNamedFeed(attempt))
        return;

    const QString error = attempt.parser->error();
    switch (attempt.outcome) {
    case Outcome::ParseError:
        log(attempt, QStringLiteral("parse error in %1: %2").arg(feedURL, error));
        return fail(attempt, State::Failed, QStringLiteral("parse error: %1").arg(error), false);
    case Outcome::NotAFeed:
        log(attempt, QStringLiteral("%1 is not an Atom, RSS or JSON feed (%2)").arg(feedURL, error));
        return fail(attempt, State::Failed, QStringLiteral("not an Atom, RSS or JSON feed (%1)").arg(error),
                    true);
    case Outcome::WebPage:
        log(attempt, QStringLiteral("%1 is a web page, not a feed").arg(feedURL));
        return fail(attempt, State::Failed, QStringLiteral("a web page, not a feed"), true);
    case Outcome::Feed:
        return finishWithDocument(attempt);
    }
}

// Nothing new: the signs stay as they are, unless none are shown (the plug-in
// was deactivated since), when they are made again from the kept dictionary.
void FeedUpdater::finishUnchanged(Attempt& attempt) {
    attempt.result.shownURL = attempt.feedURL;
    if (attempt.request.onTicker || !attempt.request.kept) {
        attempt.result.kind = Kind::Unchanged;
        return;
    }
    FeedDictionary kept = *attempt.request.kept;
    kept.tickers.reset();
    attempt.result.keepDictionary = true;
    if (!buildSigns(attempt, kept)) return;
    attempt.result.feed = std::move(kept);
    attempt.result.kind = Kind::Published;
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
    if (cancelled_.load()) return false;
    if (followed.outcome == platform::FetchResult::Failed) {
        log(attempt, QStringLiteral("cannot fetch %1: %2").arg(targetURL, followed.reason));
        fail(attempt, State::Failed,
             QStringLiteral("the page names the feed %1, which cannot be fetched: %2")
                 .arg(targetURL, followed.reason),
             true);
        return false;
    }
    attempt.outcome = attempt.named->finish();
    if (cancelled_.load()) return false;
    if (attempt.outcome != Outcome::Feed) {
        // What the page named is no feed either: the page's own failure.
        const QString why =
            attempt.outcome == Outcome::WebPage ? QStringLiteral("a web page") : attempt.named->error();
        log(attempt, QStringLiteral("%1 is a web page naming %2, which is not a feed (%3)")
                         .arg(feedURL, targetURL, why));
        fail(attempt, State::Failed,
             QStringLiteral("a web page naming %1, which is not a feed (%2)").arg(targetURL, why), true);
        return false;
    }
    adopt(attempt, {targetURL, AddressAdoption::Why::PageNamedFeed, QString()});
    attempt.result.shownURL = targetURL;
    attempt.document = &*attempt.named;
    attempt.documentFetch = &*attempt.namedFetch;
    return true;
}

void FeedUpdater::readOverPlainHttp(Attempt& attempt, const QUrl& url, const platform::FetchResult& overTls) {
    const QString& feedURL = attempt.feedURL;
    QUrl plain = url;
    plain.setScheme(QStringLiteral("http"));
    const QString plainURL = plain.toString();
    attempt.named.emplace(plain);
    attempt.namedFetch.emplace(cache_, plainURL);
    const platform::FetchResult fetched = fetchInto(plain, *attempt.namedFetch, *attempt.named, false, false);
    if (cancelled_.load()) return;
    if (fetched.outcome != platform::FetchResult::Complete) {
        const QString reason =
            QStringLiteral("%1; over http: %2")
                .arg(overTls.reason,
                     fetched.reason.isEmpty() ? QStringLiteral("no document") : fetched.reason);
        log(attempt, QStringLiteral("cannot fetch %1: %2").arg(feedURL, reason));
        return fail(attempt, State::Failed, reason, true);
    }
    attempt.outcome = attempt.named->finish();
    if (attempt.outcome != Outcome::Feed) {
        const QString reason =
            QStringLiteral("%1; %2 answers, but not with a feed").arg(overTls.reason, plainURL);
        log(attempt, QStringLiteral("cannot fetch %1: %2").arg(feedURL, reason));
        return fail(attempt, State::Failed, reason, true);
    }
    adopt(attempt, {plainURL, AddressAdoption::Why::NoTls, overTls.reason});
    attempt.result.schemeGuessesConfirmed.append(plainURL);
    attempt.result.shownURL = plainURL;
    attempt.document = &*attempt.named;
    attempt.documentFetch = &*attempt.namedFetch;
    finishWithDocument(attempt);
}

void FeedUpdater::adopt(Attempt& attempt, AddressAdoption adoption) {
    UpdateResult& result = attempt.result;
    attempt.adopted = true;
    result.adoption = adoption;
    if (!attempt.addressChanged) return;
    result.adoptionSentAhead = true;
    attempt.addressChanged({attempt.feedURL, std::move(adoption), std::exchange(result.log, {}),
                            std::exchange(result.schemeGuessesConfirmed, {})});
}

bool FeedUpdater::buildSigns(Attempt& attempt, FeedDictionary& feed) {
    const UpdateRequest& request = attempt.request;
    if (!request.showsSigns) return true;
    QStringList notes;
    const SignBuilder::Signs signs = builder_.build(attempt.result.shownURL, feed, request.hiddenItems,
                                                    request.titleLength, request.viewHeight, &notes);
    for (const QString& line : notes)
        log(attempt, line);
    // The image fetch gives up when stopped: signs without it are not the feed.
    if (cancelled_.load()) return false;
    feed.tickers = signs.all;
    attempt.result.itemCount = signs.itemCount;
    return true;
}

void FeedUpdater::finishWithDocument(Attempt& attempt) {
    UpdateResult& result = attempt.result;
    FeedDictionary feed = attempt.document->takeFeed();
    // A document read past its faults is shown, and says so; so is one cut short.
    QStringList notes;
    const QString repaired = attempt.document->repairNote();
    if (!repaired.isEmpty()) {
        log(attempt, QStringLiteral("parse error in %1, repaired: %2").arg(result.shownURL, repaired));
        notes << QStringLiteral("repaired: ") + repaired;
    }
    if (feed.itemsLeftOut > 0) {
        const QString leftOut = QStringLiteral("%1 items left out: only the first %2 are kept")
                                    .arg(feed.itemsLeftOut)
                                    .arg(kMaxItemsPerFeed);
        log(attempt, QStringLiteral("%1: %2").arg(result.shownURL, leftOut));
        notes << leftOut;
    }
    result.timeToLive = timeToLiveOf(feed.channel);
    if (!buildSigns(attempt, feed)) return;
    // Remembered only once shown: a stopped update must ask for the whole document again.
    result.validatorsKey = attempt.documentFetch->key();
    result.validators = attempt.documentFetch->freshValidators();
    result.message = notes.join(QStringLiteral("; "));
    result.feed = std::move(feed);
    result.kind = Kind::Published;
}
