// Addresses as users type them: a row with no address yet is never fetched nor
// counted as failing, and an https guessed for an address typed without a scheme
// gives way to http when the site speaks no TLS.
#include "app/window/StripNotice.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray kFeed = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Plain</title>"
                         "<item><title>Over http</title></item></channel></rss>";

QVariantMap source(const QString& url, const QString& state) {
    return {{"url", url}, {"enabled", true}, {"state", state}};
}

QJsonArray statusOf(const QByteArray& out) {
    QJsonArray feeds;
    for (const QByteArray& line : out.split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (event.value("event") == "status") feeds = event.value("feeds").toArray();
    }
    return feeds;
}

} // namespace

TEST(FeedAddress, RowsWithoutAnAddressAreNeverFetchedNorCountedAsFailing) {
    QTemporaryDir dir;
    const QString settings = dir.filePath("settings.json");
    writeFile(settings,
              "{\"org.pennant.newsreel\":{\"feeds\":[{\"url\":\"http://\",\"interval\":60,\"enabled\":true},"
              "{\"url\":\"\",\"interval\":60,\"enabled\":true},{\"url\":\"http://127.0.0.1:9/x\","
              "\"interval\":60,\"enabled\":true}],\"ignored\":{},\"useTTL\":true,\"titleLength\":30}}");
    const PennantOutput run =
        runPennantBinary({"--headless", "--settings", settings}, "wait\nstatus\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray feeds = statusOf(run.out);
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
    QTemporaryDir dir;
    const QString settings = dir.filePath("settings.json");
    const QByteArray typed = http.url("/rss").mid(int(strlen("http://"))).toUtf8(); // 127.0.0.1:PORT/rss
    const PennantOutput run = runPennantBinary({"--headless", "--settings", settings},
                                               "pane show\npane press addFeedButton\npane edit 0 url " +
                                                   typed + "\npane hide\nwait\nstatus\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray feeds = statusOf(run.out);
    ASSERT_EQ(feeds.size(), 1) << run.out.toStdString();
    EXPECT_EQ(feeds.at(0)["url"], http.url("/rss")) << "the scheme that answered is kept";
    EXPECT_EQ(feeds.at(0)["state"], "ok") << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("Over http (Plain)")) << run.out.toStdString();
    const QJsonObject record = QJsonDocument::fromJson(readFile(settings))
                                   .object()
                                   .value("org.pennant.newsreel")
                                   .toObject()
                                   .value("feeds")
                                   .toArray()
                                   .at(0)
                                   .toObject();
    EXPECT_EQ(record, (QJsonObject{{"url", http.url("/rss")}, {"interval", 60}, {"enabled", true}}));
}

TEST(FeedAddress, HttpsTheUserTypedIsNeverTriedOverHttp) {
    LoopbackHttpServer http;
    http.route("/rss", {200, kFeed});
    QTemporaryDir dir;
    const QString settings = dir.filePath("settings.json");
    QString https = http.url("/rss");
    https.replace("http://", "https://");
    writeFile(settings, "{\"org.pennant.newsreel\":{\"feeds\":[{\"url\":\"" + https.toUtf8() +
                            "\",\"interval\":60,\"enabled\":true}],\"ignored\":{},\"useTTL\":true,"
                            "\"titleLength\":30}}");
    const PennantOutput run =
        runPennantBinary({"--headless", "--settings", settings}, "wait\nstatus\nquit\n");
    const QJsonArray feeds = statusOf(run.out);
    ASSERT_EQ(feeds.size(), 1) << run.out.toStdString();
    EXPECT_EQ(feeds.at(0)["url"], https);
    EXPECT_EQ(feeds.at(0)["state"], "failed");
    EXPECT_EQ(http.hits("/rss"), 0);
}
