// Deactivation while updates run or wait, and refreshes while a feed waits:
// after any sequence of host calls the ticker shows the listed feeds' current
// signs and nothing else, and no feed is fetched more often than asked for.
#include "tests/feeds/FeedTestSupport.h"

#include <QThread>
#include <random>

namespace {

// Seven items: three such feeds make the 21 signs the ticker should show.
QByteArray sevenItems(const QByteArray& title) {
    QByteArray items;
    for (int i = 1; i <= 7; ++i)
        items += "<item><title>" + title + QByteArray::number(i) + "</title></item>";
    return rss("<title>" + title + "</title>" + items);
}

class DeactivationTest : public FeedTest {
  protected:
    // Three feeds, each sent a byte at a time with this pause.
    void serveThree(int byteDelayMs) {
        for (const char* name : {"a", "b", "c"}) {
            LoopbackHttpServer::Response slow{200, sevenItems(name)};
            slow.byteDelayMs = byteDelayMs;
            http.route(QByteArray("/") + name, slow);
            urls << http.url(QByteArray("/") + name);
        }
        setFeeds({record(urls[0], 30, true), record(urls[1], 30, true), record(urls[2], 30, true)});
    }
    // Every sign the store records for a listed feed.
    QList<PNSignRef> recordedSigns() {
        QList<PNSignRef> signs;
        for (const QString& url : urls)
            if (const std::optional<FeedDictionary> feed = entry(url); feed && feed->tickers)
                signs += *feed->tickers;
        return signs;
    }
    QString status(int row) { return statusOfRow(row).value("state").toString(); }

    LoopbackHttpServer http;
    QStringList urls;
};

} // namespace

// Three slow feeds, then deactivation at once: the two waiting never start and
// the running one stops at its next piece, so nothing shows while the plug-in is
// off, and the feed that was being read is shown as it was before.
TEST_F(DeactivationTest, UpdatesWaitingOrRunningAtDeactivationPostNothing) {
    serveThree(10); // some 3 s a feed
    plugin->activate();
    ASSERT_TRUE(waitUntil([&] { return http.bodyBytesSent() > 0; }));
    EXPECT_EQ(status(0), QStringLiteral("updating"));
    plugin->deactivate();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitForUpdates());
    EXPECT_LT(clock.elapsed(), 2000) << "the running update read its document to the end";
    // Long enough for the old queue to have run every update.
    QThread::msleep(1500);
    waitForUpdates();
    EXPECT_TRUE(server.onTicker().isEmpty()) << postedTexts().join(", ").toStdString();
    EXPECT_EQ(http.hits("/b") + http.hits("/c"), 0);
    EXPECT_EQ(status(0), QStringLiteral("pending"));
    EXPECT_EQ(recorder->beeps(), 0) << "a stopped update is not a failed one";

    // The next activation reads every feed again, the stopped one in full.
    plugin->activate();
    ASSERT_TRUE(waitForUpdates(30000));
    EXPECT_EQ(server.onTicker().size(), 21);
    EXPECT_EQ(status(0), QStringLiteral("ok"));
    // Deactivation with nothing running or waiting reports no second idle.
    const int idles = server.idleReports.load();
    plugin->deactivate();
    EXPECT_EQ(server.idleReports.load(), idles);
}

// Quick activate/deactivate pairs while updates run (the pane shown and put away,
// a host toggling the plug-in): once off, at most the one update that was running
// may still have posted, and only signs the store records, so the next
// deactivation takes them off; once on again, exactly 7 signs a feed show.
TEST_F(DeactivationTest, StormOfDeactivationsLeavesExactlyTheCurrentSigns) {
    serveThree(0);
    std::mt19937 random(22);
    for (int round = 0; round < 200; ++round) {
        plugin->activate();
        // Let the worker get somewhere: into a fetch, a publish or a post.
        for (int spin = int(random() % 4); spin > 0; --spin)
            QThread::usleep(random() % 3000);
        plugin->deactivate();
    }
    ASSERT_TRUE(waitForUpdates(20000));
    const auto same = [](const QList<PNSignRef>& a, const QList<PNSignRef>& b) {
        return QSet<PNSignRef>(a.cbegin(), a.cend()) == QSet<PNSignRef>(b.cbegin(), b.cend());
    };
    EXPECT_LE(server.onTicker().size(), 7) << postedTexts().join(", ").toStdString();
    EXPECT_TRUE(same(server.onTicker(), recordedSigns()));
    plugin->deactivate();
    EXPECT_TRUE(server.onTicker().isEmpty());

    plugin->activate();
    ASSERT_TRUE(waitForUpdates(20000));
    EXPECT_EQ(server.onTicker().size(), 21) << postedTexts().join(", ").toStdString();
    EXPECT_TRUE(same(server.onTicker(), recordedSigns()));
    plugin->deactivate();
    EXPECT_TRUE(server.onTicker().isEmpty());
}

// 500 refreshes with one slow feed: it waits in the queue once, so it is read at
// most twice (the update running and the one waiting), not 500 times.
TEST_F(DeactivationTest, RefreshesWhileAFeedWaitsAreOne) {
    LoopbackHttpServer::Response slow{200, sevenItems("s")};
    slow.byteDelayMs = 1;
    http.route("/slow", slow);
    setFeeds({record(http.url("/slow"), 30, true)});
    plugin->activate();
    ASSERT_TRUE(waitUntil([&] { return http.bodyBytesSent() > 0; }));
    for (int i = 0; i < 500; ++i)
        plugin->refreshNow();
    ASSERT_TRUE(waitForUpdates(20000));
    EXPECT_EQ(http.hits("/slow"), 2);
    EXPECT_EQ(server.onTicker().size(), 7);
    // Once nothing waits, a refresh reads the feed again.
    plugin->refreshNow();
    ASSERT_TRUE(waitForUpdates());
    EXPECT_EQ(http.hits("/slow"), 3);
}
