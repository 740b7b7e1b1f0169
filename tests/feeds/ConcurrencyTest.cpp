// Updates started by timers run on worker threads one at a time, while the main
// thread goes on reading the feed dictionaries.
#include "tests/feeds/FeedTestSupport.h"

namespace {

// Feed "/a" takes some 150 ms to fetch.
class ConcurrencyTest : public FeedTest {
  protected:
    void SetUp() override {
        FeedTest::SetUp();
        LoopbackHttpServer::Response slow{200, rss("<title>A</title><item><title>a1</title></item>")};
        slow.byteDelayMs = 2;
        http.route("/a", slow);
    }
    LoopbackHttpServer http;
};

} // namespace

TEST_F(ConcurrencyTest, BackToBackTicksRunOneAfterTheOther) {
    http.route("/b",
               {200, rss("<title>B</title><item><title>b1</title></item><item><title>b2</title></item>")});
    const QString a = http.url("/a");
    const QString b = http.url("/b");
    setFeeds({record(a, 30, true), record(b, 30, true)});

    // Both timers fire at once and activation returns before either update ends;
    // the updates then run one after the other, in feed order.
    plugin->activate();
    EXPECT_TRUE(plugin->updatesRunning());

    // Main-thread readers meanwhile see whole entries or empty ones, never half.
    bool sawHalf = false;
    ASSERT_TRUE(waitUntil([&] {
        std::optional<FeedDictionary> feed = entry(b);
        if (feed && feed->items && !feed->channel) sawHalf = true;
        return !plugin->updatesRunning() && !plugin->feedUpdater().updateLock().isHeld();
    }));
    EXPECT_FALSE(sawHalf);
    EXPECT_EQ(addedTexts(), QStringList({"a1 (A) ", "b1 (B) ", "b2 (B) "}));

    const QList<LoopbackHttpServer::Request> requests = http.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].path, "/a");
    EXPECT_GE(requests[1].received, requests[0].answered);

    // Deactivation takes every recorded sign off again.
    plugin->deactivate();
    EXPECT_TRUE(server.onTicker().isEmpty());
}

TEST_F(ConcurrencyTest, FeedUnsubscribedDuringItsUpdatePostsNothing) {
    const QString a = http.url("/a");
    setFeeds({record(a, 30, true)});
    plugin->activate();
    ASSERT_TRUE(waitUntil([&] { return http.connectionsAccepted() > 0; }));
    setFeeds({}); // what unsubscribing or the pane does meanwhile
    ASSERT_TRUE(waitForUpdates());
    EXPECT_TRUE(server.onTicker().isEmpty()) << "nothing could ever take such signs off again";
    ASSERT_TRUE(entry(a).has_value());
    EXPECT_TRUE(entry(a)->items.has_value()) << "the parsed feed is still kept";
}

TEST_F(ConcurrencyTest, FeedRemovedWhileItsImageIsFetchedLeavesNoSign) {
    // The image stalls until the fetch gives up at its low-speed bound; the feed
    // leaves the list while the update waits for it.
    plugin->feedUpdater().fetchLimits().lowSpeedSeconds = 1;
    LoopbackHttpServer::Response stalled{200, "never sent"};
    stalled.stall = true;
    http.route("/logo.png", stalled);
    http.route("/b", {200, rss("<title>B</title><image><url>" + http.url("/logo.png").toLatin1() +
                               "</url></image><item><title>b1</title></item>")});
    const QString b = http.url("/b");
    setFeeds({record(b, 30, true)});
    plugin->activate();
    ASSERT_TRUE(waitUntil([&] { return http.hits("/logo.png") > 0; }));
    setFeeds({});
    ASSERT_TRUE(waitForUpdates());
    EXPECT_TRUE(server.onTicker().isEmpty()) << "nothing could ever take such signs off again";
}

TEST_F(ConcurrencyTest, PluginGoesAwayPromptlyDuringAStalledFetch) {
    plugin->feedUpdater().fetchLimits().lowSpeedSeconds = 60;
    plugin->feedUpdater().fetchLimits().totalTimeoutMs = 60'000;
    LoopbackHttpServer::Response stalled{200, "never sent"};
    stalled.stall = true;
    http.route("/stall", stalled);
    setFeeds({record(http.url("/stall"), 30, true), record(http.url("/a"), 30, true)});
    plugin->activate();
    ASSERT_TRUE(waitUntil([&] { return http.connectionsAccepted() > 0; }));
    QElapsedTimer clock;
    clock.start();
    plugin.reset(); // joins the worker: the stalled fetch is cancelled, "/a" never starts
    EXPECT_LT(clock.elapsed(), 5000) << "the fetch was waited out instead of cancelled";
    EXPECT_EQ(http.hits("/a"), 0);
    EXPECT_EQ(recorder->beeps(), 0) << "going away is not a failed feed";
}
