// Updates started by timers run on worker threads one at a time, while the main
// thread goes on reading the feed dictionaries.
#include "core/ItemAction.h"
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

// The feed leaves the list (unsubscribed, or removed in the pane) while its update
// fetches the feed, or its image, which stalls until the fetch gives up at its
// low-speed bound: no sign goes up that nothing could ever take off again.
TEST_F(ConcurrencyTest, FeedLeavingTheListDuringItsUpdatePostsNothing) {
    plugin->feedUpdater().fetchLimits().lowSpeedSeconds = 1;
    LoopbackHttpServer::Response stalled{200, "never sent"};
    stalled.stall = true;
    http.route("/logo.png", stalled);
    http.route("/b", {200, rss("<title>B</title><image><url>" + http.url("/logo.png").toLatin1() +
                               "</url></image><item><title>b1</title></item>")});
    for (const auto& [feed, fetched] : {std::pair{"/a", "/a"}, {"/b", "/logo.png"}}) {
        SCOPED_TRACE(feed);
        setFeeds({record(http.url(feed), 30, true)});
        plugin->activate();
        ASSERT_TRUE(waitUntil([&] { return http.hits(fetched) > 0; }));
        setFeeds({});
        ASSERT_TRUE(waitForUpdates());
        EXPECT_TRUE(server.onTicker().isEmpty());
        ASSERT_TRUE(entry(http.url(feed)));
        EXPECT_TRUE(entry(http.url(feed))->items.has_value()) << "the parsed feed is still kept";
    }
}

// The user hides an item while the feed's next update fetches: that update began
// before the item was hidden, and still does not bring it back.
TEST_F(ConcurrencyTest, ItemHiddenDuringAnUpdateStaysHidden) {
    LoopbackHttpServer::Response slow{200, rss("<title>C</title><item><title>c1</title><guid>g1</guid></item>"
                                               "<item><title>c2</title><guid>g2</guid></item>")};
    slow.byteDelayMs = 2;
    http.route("/c", slow);
    const QString c = http.url("/c");
    setFeeds({record(c, 30, true)});
    plugin->activate();
    ASSERT_TRUE(waitForUpdates());
    ASSERT_EQ(postedTexts(), QStringList({"c1 (C) ", "c2 (C) "}));

    const int hits = http.hits("/c");
    plugin->refreshNow();
    ASSERT_TRUE(waitUntil([&] { return http.hits("/c") > hits; }));
    ASSERT_TRUE(plugin->updatesRunning());
    // As the menu's command does: the item is hidden and its sign taken off.
    if (const PNSignRef sign = store().hideItem(c, QStringLiteral("g1"), itemActionString(0, c)))
        server.removeSign(sign);
    ASSERT_TRUE(waitForUpdates());
    EXPECT_EQ(postedTexts(), QStringList({"c2 (C) "}));
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
