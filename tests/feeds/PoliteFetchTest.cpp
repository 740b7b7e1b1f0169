// Fetching gently: unchanged feeds and images are revalidated instead of sent
// again, and a server that asks us to wait is
// not asked again before its time.
#include "feeds/FetchCache.h"
#include "tests/feeds/FeedTestSupport.h"
#include "tests/support/TestImages.h"

#include <thread>

namespace {

const QByteArray kFeed = rss("<title>Polite</title><item><title>First</title><link>http://x.example/1</link>"
                             "</item><item><title>Second</title></item>");

using PoliteFetchTest = HttpFeedTest;

} // namespace

TEST_F(PoliteFetchTest, UnchangedFeedIsRevalidatedWithoutItsBody) {
    const struct {
        QByteArray header, value, asked;
    } validators[] = {{"ETag", "\"v1\"", "if-none-match"},
                      {"Last-Modified", "Sun, 06 Dec 2026 09:10:00 GMT", "if-modified-since"}};
    for (const auto& v : validators) {
        SCOPED_TRACE(v.header.toStdString());
        const QByteArray path = "/" + v.header.toLower();
        http.route(path, {200, kFeed, {{v.header, v.value}}});
        const QString url = http.url(path);
        server.clear();
        runUpdate(url);
        const QStringList first = addedTexts();
        ASSERT_EQ(first, QStringList({"First (Polite) ", "Second (Polite) "}));
        const qint64 sent = http.bodyBytesSent();

        server.clear();
        runUpdate(url);
        EXPECT_EQ(http.bodyBytesSent(), sent); // zero body bytes the second time
        ASSERT_EQ(http.hits(path), 2);
        EXPECT_EQ(http.requests().last().headers.value(v.asked), v.value);
        // Nothing new: no sign comes off or goes up, and the feed shows what it did.
        EXPECT_TRUE(server.calls().isEmpty());
        EXPECT_TRUE(entry(url)->tickers->size() == 2 && entry(url)->items->size() == 2);
        EXPECT_FALSE(lockHeld());
        EXPECT_EQ(statusOfRow().value("state"), QStringLiteral("not-modified"));
        EXPECT_EQ(statusOfRow().value("items"), 2);

        // After a deactivation the kept feed is shown again without its body.
        plugin->deactivate();
        server.clear();
        runUpdate(url);
        EXPECT_EQ(http.bodyBytesSent(), sent);
        EXPECT_EQ(addedTexts(), first);
    }
    EXPECT_EQ(recorder->beeps(), 0);
    EXPECT_EQ(recorder->logLines(), QStringList());
}

TEST_F(PoliteFetchTest, ChangedOrUnvalidatedFeedIsFetchedWhole) {
    http.route("/feed", {200, kFeed, {{"ETag", "\"v1\""}}});
    runUpdate(http.url("/feed"));
    http.route("/feed",
               {200, rss("<title>Polite</title><item><title>Third</title></item>"), {{"ETag", "\"v2\""}}});
    runUpdate(http.url("/feed"));
    EXPECT_EQ(postedTexts(), QStringList({"Third (Polite) "}));
    // The server dropped its validators: nothing is remembered, nothing is asked.
    http.route("/feed", {200, kFeed});
    runUpdate(http.url("/feed"));
    runUpdate(http.url("/feed"));
    EXPECT_EQ(postedTexts(), QStringList({"First (Polite) ", "Second (Polite) "}));
    const QList<LoopbackHttpServer::Request> requests = http.requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_FALSE(requests[0].headers.contains("if-none-match"));
    EXPECT_EQ(requests[1].headers.value("if-none-match"), "\"v1\"");
    EXPECT_EQ(requests[2].headers.value("if-none-match"), "\"v2\"");
    EXPECT_FALSE(requests[3].headers.contains("if-none-match"));
}

TEST_F(PoliteFetchTest, DocumentThatFailedToParseIsNotRemembered) {
    http.route("/feed", {200, "<rss><channel><title>cut", {{"ETag", "\"bad\""}}});
    runUpdate(http.url("/feed"));
    EXPECT_EQ(recorder->logLines().size(), 1);
    runUpdate(http.url("/feed"));
    ASSERT_EQ(http.hits("/feed"), 2);
    EXPECT_FALSE(http.requests().last().headers.contains("if-none-match"));
}

TEST_F(PoliteFetchTest, UnchangedChannelImageIsReused) {
    http.route(
        "/logo.png",
        {200, pngOfColour(100, 50, Qt::darkGreen), {{"ETag", "\"logo\""}, {"Content-Type", "image/png"}}});
    http.route("/feed", {200,
                         rss("<title>Polite</title><image><url>" + http.url("/logo.png").toLatin1() +
                             "</url></image><item><title>One</title></item>"),
                         {{"ETag", "\"feed\""}}});
    runUpdate(http.url("/feed"));
    ASSERT_EQ(postedTexts(), QStringList({"<image>", "One (Polite) "}));
    const PNSignRef before = server.onTicker().first();
    const qint64 sent = http.bodyBytesSent();

    // An unchanged feed does not even ask for its image again.
    server.clear();
    runUpdate(http.url("/feed"));
    EXPECT_EQ(http.bodyBytesSent(), sent);
    EXPECT_EQ(http.hits("/logo.png"), 1);
    EXPECT_TRUE(server.calls().isEmpty());

    // A changed feed with the same logo revalidates it and reuses the picture.
    http.route("/feed", {200,
                         rss("<title>Polite</title><image><url>" + http.url("/logo.png").toLatin1() +
                             "</url></image><item><title>One</title></item><item><title>Two</title></item>"),
                         {{"ETag", "\"feed2\""}}});
    server.clear();
    runUpdate(http.url("/feed"));
    ASSERT_EQ(http.hits("/logo.png"), 2);
    EXPECT_EQ(http.requests().last().headers.value("if-none-match"), "\"logo\"");
    ASSERT_EQ(postedTexts(), QStringList({"<image>", "One (Polite) ", "Two (Polite) "}));
    const PNSignRef after = server.onTicker().first();
    EXPECT_NE(after, before); // a new sign, the same picture
    EXPECT_EQ(after->image().size(), before->image().size());
    EXPECT_EQ(recorder->beeps(), 0);
}

TEST_F(PoliteFetchTest, RetryAfterHoldsTheNextFetchBack) {
    auto clock = std::make_shared<FetchCache::Clock::time_point>(FetchCache::Clock::now());
    plugin->feedUpdater().fetchCache().setClock([clock] { return *clock; });
    http.route("/busy", {429, "slow down", {{"Retry-After", "1"}}});
    const QString url = http.url("/busy");
    runUpdate(url);
    EXPECT_EQ(recorder->beeps(), 1);
    EXPECT_EQ(recorder->logLines(), QStringList{QStringLiteral("cannot fetch %1: HTTP 429").arg(url)});

    // The timer fires again at once: no request, a log line, no beep.
    http.route("/busy", {200, kFeed});
    runUpdate(url);
    EXPECT_FALSE(lockHeld());
    EXPECT_EQ(http.hits("/busy"), 1);
    EXPECT_EQ(recorder->beeps(), 1);
    ASSERT_EQ(recorder->logLines().size(), 2);
    EXPECT_TRUE(recorder->logLines()[1].startsWith(
        QStringLiteral("cannot fetch %1: the server asked for no request before ").arg(url)));
    EXPECT_TRUE(postedTexts().isEmpty());
    EXPECT_EQ(statusOfRow().value("state"), QStringLiteral("deferred"));
    EXPECT_TRUE(statusOfRow().value("message").toString().startsWith(QStringLiteral("the server asked")));

    *clock += std::chrono::milliseconds(1100);
    runUpdate(url);
    EXPECT_EQ(http.hits("/busy"), 2);
    EXPECT_EQ(postedTexts(), QStringList({"First (Polite) ", "Second (Polite) "}));
    EXPECT_EQ(recorder->beeps(), 1);
}

TEST_F(PoliteFetchTest, UnavailableWithDateOrWithoutRetryAfter) {
    const QByteArray later =
        QDateTime::currentDateTimeUtc().addSecs(120).toString(Qt::RFC2822Date).toLatin1();
    // A date holds the next fetch back; without a usable Retry-After the next update asks again.
    const struct {
        QByteArray path;
        LoopbackHttpServer::Response response;
        int hits;
    } cases[] = {{"/dated", {503, "maintenance", {{"Retry-After", later}}}, 1},
                 {"/plain", {503, "maintenance"}, 2},
                 {"/garbled", {429, "", {{"Retry-After", "soon"}}}, 2}};
    for (const auto& c : cases) {
        http.route(c.path, c.response);
        runUpdate(http.url(c.path));
        runUpdate(http.url(c.path));
        EXPECT_EQ(http.hits(c.path), c.hits) << c.path.toStdString();
    }
    EXPECT_EQ(recorder->beeps(), 5);
}

TEST(FetchCacheTest, RetryAfterValues) {
    const QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(9, 10), Qt::UTC);
    using std::chrono::seconds;
    EXPECT_EQ(FetchCache::retryAfterDelay("120", now), seconds(120));
    EXPECT_EQ(FetchCache::retryAfterDelay(" 0 ", now), seconds(0));
    EXPECT_EQ(FetchCache::retryAfterDelay("Sun, 06 Dec 2026 09:12:30 GMT", now), seconds(150));
    EXPECT_EQ(FetchCache::retryAfterDelay("Sunday, 06-Dec-26 09:11:00 GMT", now), seconds(60));
    EXPECT_EQ(FetchCache::retryAfterDelay("Sun Dec  6 09:10:05 2026", now), seconds(5));
    EXPECT_EQ(FetchCache::retryAfterDelay("Sat, 05 Dec 2026 09:10:00 GMT", now), seconds(0)); // past
    // No answer silences a feed for longer than a day.
    EXPECT_EQ(FetchCache::retryAfterDelay("99999999999999999999", now), FetchCache::kLongestDeferral);
    EXPECT_EQ(FetchCache::retryAfterDelay("Fri, 01 Jan 2100 00:00:00 GMT", now),
              FetchCache::kLongestDeferral);
    for (const char* bad : {"", "soon", "-5", "1.5", "12 34"})
        EXPECT_EQ(FetchCache::retryAfterDelay(bad, now), std::nullopt) << bad;
}

// A 304 may come with fresher validators for the same document: they replace
// the old ones, and the next request asks with them.
TEST_F(PoliteFetchTest, NotModifiedWithNewValidatorsReplacesTheOldOnes) {
    const QByteArray date1 = "Sun, 06 Dec 2026 09:10:00 GMT", date2 = "Mon, 07 Dec 2026 01:00:00 GMT";
    http.route("/v", {200, kFeed, {{"ETag", "\"v1\""}, {"Last-Modified", date1}}});
    const QString url = http.url("/v");
    runUpdate(url);
    http.route("/v", {304, {}, {{"ETag", "\"v2\""}, {"Last-Modified", date2}}});
    runUpdate(url);
    EXPECT_EQ(statusOfRow().value("state"), QStringLiteral("not-modified"));
    http.route("/v", {200, kFeed, {{"ETag", "\"v3\""}}});
    runUpdate(url);
    const QList<LoopbackHttpServer::Request> asked = http.requests();
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked[1].headers.value("if-none-match"), "\"v1\"");
    EXPECT_EQ(asked[2].headers.value("if-none-match"), "\"v2\"");
    EXPECT_EQ(asked[2].headers.value("if-modified-since"), date2);
}
