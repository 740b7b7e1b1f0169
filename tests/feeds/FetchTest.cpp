// Fetching a feed over HTTP from a server on 127.0.0.1: every failure is bounded,
// reported once, and leaves the lock free for the next update.
#include "tests/feeds/FeedTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QElapsedTimer>

namespace {

const QByteArray kGoodFeed = rss("<title>Loopback</title><item><title>First</title></item>"
                                 "<item><title>Second</title></item>");

class FetchTest : public FeedTest {
  protected:
    void SetUp() override {
        FeedTest::SetUp();
        plugin->fetchLimits.connectTimeoutMs = 2000;
        plugin->fetchLimits.totalTimeoutMs = 3000;
        plugin->fetchLimits.lowSpeedSeconds = 1;
        plugin->fetchLimits.maxBytes = 64 * 1024;
    }

    // The failed update: one beep, one log line naming the URL and the reason, no
    // signs, an empty feed dictionary, a free lock; then the same URL, now good,
    // updates normally.
    // Returns how long the failed update took, in milliseconds.
    qint64 expectFailureThenRecovery(const QByteArray& path, const QString& reason) {
        const QString url = http.url(path);
        server.clear();
        QElapsedTimer clock;
        clock.start();
        runUpdate(url);
        const qint64 elapsed = clock.elapsed();
        EXPECT_FALSE(plugin->threadLock.isHeld());
        EXPECT_EQ(recorder->beeps(), 1);
        EXPECT_EQ(recorder->logLines().size(), 1) << recorder->logLines().join(u'\n').toStdString();
        const QString line = recorder->logLines().value(0);
        EXPECT_TRUE(line.startsWith(QStringLiteral("cannot fetch %1: ").arg(url))) << line.toStdString();
        EXPECT_TRUE(line.contains(reason)) << line.toStdString();
        EXPECT_TRUE(addedTexts().isEmpty());
        EXPECT_TRUE(entry(url) && entry(url)->isEmpty());

        http.route(path, {200, kGoodFeed});
        server.clear();
        runUpdate(url);
        EXPECT_FALSE(plugin->threadLock.isHeld());
        EXPECT_EQ(addedTexts(), QStringList({"First (Loopback) ", "Second (Loopback) "}));
        EXPECT_EQ(recorder->beeps(), 1);
        return elapsed;
    }

    LoopbackHttpServer http;
};

} // namespace

TEST_F(FetchTest, GoodFeedSendsOurUserAgent) {
    http.route("/feed", {200, kGoodFeed});
    runUpdate(http.url("/feed"));
    EXPECT_FALSE(plugin->threadLock.isHeld());
    EXPECT_EQ(postedTexts().size(), 2);
    ASSERT_EQ(http.requests().size(), 1);
    EXPECT_EQ(http.requests().first().headers.value("user-agent"),
              "Newsreel/" NEWSREEL_VERSION " (Pennant plug-in)");
    EXPECT_EQ(recorder->beeps(), 0);
    EXPECT_TRUE(recorder->logLines().isEmpty());
}

TEST_F(FetchTest, HttpErrorStatusIsNoDocument) {
    http.route("/missing", {404, "<rss><channel><title>error page</title></channel></rss>"});
    expectFailureThenRecovery("/missing", QStringLiteral("HTTP 404"));
}

TEST_F(FetchTest, ServerErrorIsNoDocument) {
    http.route("/broken", {500, "oops"});
    expectFailureThenRecovery("/broken", QStringLiteral("HTTP 500"));
}

TEST_F(FetchTest, RedirectsAreFollowed) {
    http.route("/old", LoopbackHttpServer::redirect(http.url("/new").toLatin1(), 301));
    http.route("/new", {200, kGoodFeed});
    runUpdate(http.url("/old"));
    EXPECT_EQ(postedTexts().size(), 2);
    // The signs carry the address the user subscribed to, not where it moved.
    EXPECT_TRUE(server.onTicker().first()->actionString().endsWith(u',' + http.url("/old")));
}

TEST_F(FetchTest, RedirectToFileIsRefused) {
    http.route("/to-file", LoopbackHttpServer::redirect("file:///etc/hostname"));
    expectFailureThenRecovery("/to-file", QString());
}

TEST_F(FetchTest, RedirectLoopStopsAfterFiveHops) {
    http.route("/a", LoopbackHttpServer::redirect("/b"));
    http.route("/b", LoopbackHttpServer::redirect("/a"));
    expectFailureThenRecovery("/a", QStringLiteral("redirect"));
    EXPECT_EQ(http.hits("/a") + http.hits("/b"), 6 + 1); // five redirects followed, then the good fetch
}

TEST_F(FetchTest, StalledServerIsAbandoned) {
    LoopbackHttpServer::Response stalled{200, kGoodFeed};
    stalled.stall = true;
    http.route("/stall", stalled);
    // The low-speed bound (1 s here), well before the whole-transfer one (3 s).
    EXPECT_LT(expectFailureThenRecovery("/stall", QString()), 2900);
}

TEST_F(FetchTest, SlowServerMeetsTheTransferTimeout) {
    LoopbackHttpServer::Response slow{200, kGoodFeed};
    slow.byteDelayMs = 100; // 10 bytes a second: never too slow, never done in time
    http.route("/slow", slow);
    const qint64 elapsed = expectFailureThenRecovery("/slow", QStringLiteral("timed out"));
    EXPECT_GE(elapsed, 2900);
    EXPECT_LT(elapsed, 6000);
    EXPECT_LT(http.bodyBytesSent(), qint64(kGoodFeed.size()) + 60);
}

TEST_F(FetchTest, OversizeBodyIsCut) {
    // A well-formed document with a mebibyte of white space after the root.
    http.route("/big", {200, "<?xml version=\"1.0\"?><rss><channel><title>big</title></channel></rss>" +
                                 QByteArray(1 << 20, ' ')});
    expectFailureThenRecovery("/big", QStringLiteral("larger than 65536 bytes"));
}

TEST_F(FetchTest, CompressedBodiesAreCountedUnpacked) {
    http.route("/small.gz",
               {200, readTestData(QStringLiteral("small-feed.xml.gz")), {{"Content-Encoding", "gzip"}}});
    runUpdate(http.url("/small.gz"));
    EXPECT_EQ(postedTexts(), QStringList({"First (Loopback) ", "Second (Loopback) "}));
    runUpdate(http.url("/small.gz")); // the previous signs go first
    EXPECT_EQ(postedTexts(), QStringList({"First (Loopback) ", "Second (Loopback) "}));

    const QByteArray bomb = readTestData(QStringLiteral("one-mebibyte.xml.gz"));
    ASSERT_LT(bomb.size(), 64 * 1024); // small on the wire
    http.route("/bomb.gz", {200, bomb, {{"Content-Encoding", "gzip"}}});
    expectFailureThenRecovery("/bomb.gz", QStringLiteral("larger than 65536 bytes"));
}

TEST_F(FetchTest, RefusedConnectionIsNoDocument) {
    std::unique_ptr<LoopbackHttpServer> gone = std::make_unique<LoopbackHttpServer>();
    const QString url = gone->url("/feed");
    gone.reset();
    runUpdate(url);
    EXPECT_FALSE(plugin->threadLock.isHeld());
    EXPECT_EQ(recorder->beeps(), 1);
    ASSERT_EQ(recorder->logLines().size(), 1);
    EXPECT_TRUE(recorder->logLines().first().startsWith(QStringLiteral("cannot fetch %1: ").arg(url)));
}

TEST_F(FetchTest, InvalidUrlBeepsWithoutLogLine) {
    for (const QString& url :
         {QString(), QStringLiteral("not a url"), QStringLiteral("ftp://127.0.0.1/feed.xml"),
          QStringLiteral("http://"), QStringLiteral("javascript:alert(1)")}) {
        SCOPED_TRACE(url.toStdString());
        const int beeps = recorder->beeps();
        runUpdate(url);
        EXPECT_FALSE(plugin->threadLock.isHeld());
        EXPECT_EQ(recorder->beeps(), beeps + 1);
        ASSERT_TRUE(entry(url));
        EXPECT_TRUE(entry(url)->isEmpty());
    }
    EXPECT_TRUE(recorder->logLines().isEmpty());
    EXPECT_TRUE(http.requests().isEmpty());
}

TEST_F(FetchTest, FatalParseErrorKeepsWhatWasParsed) {
    http.route("/bad",
               {200, "<rss><channel><title>Half</title><item><title>kept</title></item><item></channel>"});
    runUpdate(http.url("/bad"));
    EXPECT_FALSE(plugin->threadLock.isHeld());
    EXPECT_EQ(recorder->beeps(), 0);
    ASSERT_EQ(recorder->logLines().size(), 1);
    EXPECT_TRUE(recorder->logLines().first().startsWith(QStringLiteral("parse error: ")));
    EXPECT_TRUE(server.onTicker().isEmpty());
    const std::optional<FeedDictionary> feed = entry(http.url("/bad"));
    ASSERT_TRUE(feed && feed->channel && feed->items);
    EXPECT_EQ(feed->channel->value(QStringLiteral("title")), QStringLiteral("Half"));
    EXPECT_EQ(feed->items->size(), 2);
    EXPECT_FALSE(feed->tickers);
}

TEST_F(FetchTest, ShutdownAbandonsARunningFetch) {
    LoopbackHttpServer::Response stalled{200, kGoodFeed};
    stalled.stall = true;
    http.route("/stall", stalled);
    plugin->fetchLimits.lowSpeedSeconds = 60;
    plugin->fetchLimits.totalTimeoutMs = 60'000;
    plugin->threadLock.lock();
    std::thread worker([this] { plugin->updateFeed(http.url("/stall")); });
    ASSERT_TRUE(waitUntil([this] { return http.connectionsAccepted() > 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QElapsedTimer clock;
    clock.start();
    plugin->shuttingDown = true;
    worker.join();
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_FALSE(plugin->threadLock.isHeld());
    EXPECT_EQ(recorder->beeps(), 0); // going away is not a failed feed
}
