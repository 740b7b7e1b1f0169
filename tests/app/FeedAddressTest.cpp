// Addresses as users type them: a row with no address yet is never fetched nor
// counted as failing, and an https guessed for an address typed without a scheme
// gives way to http when the site speaks no TLS.
#include "app/window/StripNotice.h"
#include "tests/app/PennantProcess.h"
#include "tests/app/SettingsFolder.h"
#include "tests/parser/TestDocuments.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

const QByteArray kFeed = rss("<title>Plain</title><item><title>Over http</title></item>");

QVariantMap source(const QString& url, const QString& state) {
    return {{"url", url}, {"enabled", true}, {"state", state}};
}

const QJsonObject kDefaults{{"ignored", QJsonObject()}, {"useTTL", true}, {"titleLength", 30}};

// The feeds of the last status the run wrote.
QJsonArray statusOf(const PennantRun& run) {
    const QList<QJsonObject> statuses = run.eventsOf("status");
    return statuses.isEmpty() ? QJsonArray() : statuses.last().value("feeds").toArray();
}

} // namespace

TEST(FeedAddress, RowsWithoutAnAddressAreNeverFetchedNorCountedAsFailing) {
    const SettingsFolder folder;
    folder.writeSettings({feedRecord("http://", true, 60), feedRecord("", true, 60),
                          feedRecord("http://127.0.0.1:9/x", true, 60)},
                         kDefaults);
    const PennantRun run = runHeadless(folder.settingsPath(), "wait\nstatus\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray feeds = statusOf(run);
    ASSERT_EQ(feeds.size(), 3) << run.out.toStdString();
    for (int i : {0, 1}) {
        EXPECT_EQ(feeds.at(i)["state"], "pending") << i;
        EXPECT_EQ(feeds.at(i)["message"], "no address yet") << i;
        EXPECT_TRUE(feeds.at(i)["lastAttempt"].isNull()) << i;
    }
    EXPECT_EQ(feeds.at(2)["state"], "failed");
    EXPECT_FALSE(run.out.contains("cannot fetch http://\"")) << run.out.toStdString();
    EXPECT_EQ(run.out.count("adding timer for feed"), 1) << run.out.toStdString();

    // The strip's notice counts the one real feed alone.
    EXPECT_EQ(stripNoticeFor({{source("http://", "pending"), source("", "pending"),
                               source("http://127.0.0.1:9/x", "failed")}}),
              QStringLiteral("1 feed could not be updated — right-click for Preferences…"));
    EXPECT_EQ(stripNoticeFor({{source("http://", "pending")}}),
              QStringLiteral("No news yet — right-click for Preferences… to add a feed"));
}

TEST(FeedAddress, AddressTypedWithoutASchemeFallsBackToHttpWhenTheSiteSpeaksNoTls) {
    LoopbackHttpServer http;
    http.route("/rss", {200, kFeed});
    const SettingsFolder folder;
    const QByteArray typed = http.url("/rss").mid(int(strlen("http://"))).toUtf8(); // 127.0.0.1:PORT/rss
    const PennantRun run =
        runHeadless(folder.settingsPath(), "pane show\npane press addFeedButton\npane edit 0 url " + typed +
                                               "\npane hide\nwait\nstatus\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray feeds = statusOf(run);
    ASSERT_EQ(feeds.size(), 1) << run.out.toStdString();
    EXPECT_EQ(feeds.at(0)["url"], http.url("/rss")) << "the scheme that answered is kept";
    EXPECT_EQ(feeds.at(0)["state"], "ok") << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("Over http (Plain)")) << run.out.toStdString();
    EXPECT_EQ(folder.stored().value("feeds").toArray().at(0).toObject(),
              feedRecord(http.url("/rss"), true, 60));
}

TEST(FeedAddress, HttpsTheUserTypedIsNeverTriedOverHttp) {
    LoopbackHttpServer http;
    http.route("/rss", {200, kFeed});
    const SettingsFolder folder;
    QString https = http.url("/rss");
    https.replace("http://", "https://");
    const PennantRun run =
        runHeadless(folder.writeSettings({feedRecord(https, true, 60)}, kDefaults), "wait\nstatus\nquit\n");
    const QJsonArray feeds = statusOf(run);
    ASSERT_EQ(feeds.size(), 1) << run.out.toStdString();
    EXPECT_EQ(feeds.at(0)["url"], https);
    EXPECT_EQ(feeds.at(0)["state"], "failed");
    EXPECT_EQ(http.hits("/rss"), 0);
}
