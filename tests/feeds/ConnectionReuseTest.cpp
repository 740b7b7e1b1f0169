// The worker's fetches share one set of libcurl handles: feeds and images on one
// server reuse its connection, and nothing of one fetch's request leaks into the
// next.
#include "tests/feeds/FeedTestSupport.h"

#include "platform/UrlFetcher.h"
#include "tests/support/TestImages.h"

// Two feeds and the channel image of one, on a server that keeps connections
// open: the three requests go over the one connection, in order.
TEST_F(HttpFeedTest, FeedsAndImagesOnOneServerShareItsConnection) {
    http.setKeepAlive(true);
    http.route("/logo.png", {200, pngOfColour(8, 4, Qt::darkBlue), {{"Content-Type", "image/png"}}});
    http.route("/a", {200, rss("<title>A</title><image><url>" + http.url("/logo.png").toLatin1() +
                               "</url></image><item><title>a1</title></item>")});
    http.route("/b", {200, rss("<title>B</title><item><title>b1</title></item>")});
    setFeeds({record(http.url("/a"), 30, true), record(http.url("/b"), 30, true)});
    plugin->activate();
    ASSERT_TRUE(waitForUpdates());
    EXPECT_EQ(postedTexts(), QStringList({"<image>", "a1 (A) ", "b1 (B) "}));
    EXPECT_EQ(http.hits("/a") + http.hits("/logo.png") + http.hits("/b"), 3);
    EXPECT_EQ(http.connectionsAccepted(), 1);
}

// A session keeps connections, never a request's options: validators, the
// allowed schemes and the size bound are the fetcher's own each time.
TEST(FetchSessionTest, AFetchStartsFromNothingTheLastOneSet) {
    LoopbackHttpServer http;
    http.setKeepAlive(true);
    http.route("/doc", {200, QByteArray(2000, 'x'), {{"ETag", "\"v1\""}}});
    platform::FetchSession session;

    platform::UrlFetcher conditional;
    conditional.setSession(&session);
    conditional.setValidators("\"v1\"", "Tue, 01 Dec 2026 10:00:00 GMT");
    platform::FetchResult first;
    EXPECT_FALSE(conditional.fetchAll(QUrl(http.url("/doc")), &first));
    EXPECT_EQ(first.outcome, platform::FetchResult::NotModified);

    platform::FetchLimits small;
    small.maxBytes = 100;
    platform::UrlFetcher bounded(small);
    bounded.setSession(&session);
    platform::FetchResult second;
    EXPECT_FALSE(bounded.fetchAll(QUrl(http.url("/doc")), &second));
    EXPECT_EQ(second.outcome, platform::FetchResult::Failed);
    EXPECT_TRUE(second.reason.contains("larger than 100 bytes")) << second.reason.toStdString();

    platform::UrlFetcher plain;
    plain.setSession(&session);
    platform::FetchResult third;
    const std::optional<QByteArray> body = plain.fetchAll(QUrl(http.url("/doc")), &third);
    ASSERT_TRUE(body);
    EXPECT_EQ(body->size(), 2000);
    EXPECT_EQ(third.etag, "\"v1\"");
    plain.setAllowedSchemes({QStringLiteral("http")});
    EXPECT_FALSE(plain.fetchAll(QUrl(QStringLiteral("https://127.0.0.1:1/doc")), &third));
    EXPECT_EQ(third.reason, QStringLiteral("unsupported URL"));

    const QList<LoopbackHttpServer::Request> requests = http.requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests[0].headers.value("if-none-match"), "\"v1\"");
    EXPECT_FALSE(requests[1].headers.contains("if-none-match")) << "validators carried over";
    EXPECT_FALSE(requests[1].headers.contains("if-modified-since"));
    EXPECT_FALSE(requests[2].headers.contains("if-none-match"));
    // The oversized body was cut off mid-way: that connection could not be reused.
    EXPECT_LE(http.connectionsAccepted(), 2);
}
