// The headless host while feeds update: commands are answered at once, idle means
// nothing runs or waits, and every feed's status can be read.
#include "tests/app/PennantProcess.h"
#include "tests/app/SettingsFolder.h"
#include "tests/parser/TestDocuments.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/PluginFixture.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QThread>
#include <gtest/gtest.h>

namespace {

struct Folder {
    SettingsFolder folder;
};

// A headless host on a settings file of the test's own (the folder is made
// first), its stderr in the test's output, that the test talks to line by line.
class LiveHost : private Folder, public PennantProcess {
  public:
    explicit LiveHost(const QJsonArray& feeds)
        : PennantProcess(Headless, folder.writeSettings(feeds, {{"useTTL", false}, {"titleLength", 30}})) {
        forwardErrors();
        start();
    }
};

} // namespace

TEST(HeadlessUpdates, SlowFeedFirstInTheListHoldsNoCommandAndQuitCancelsIt) {
    LoopbackHttpServer http;
    LoopbackHttpServer::Response stalled{200, "never sent"};
    stalled.stall = true;
    http.route("/slow", stalled);
    http.route("/fast", {200, rss("<title>Fast</title><item><title>f1</title></item>")});
    LiveHost host({feedRecord(http.url("/slow")), feedRecord(http.url("/fast"))});
    ASSERT_TRUE(waitUntil([&] { return http.connectionsAccepted() > 0; }, 10000));

    host.send("settings");
    EXPECT_FALSE(host.next("settings").isEmpty());
    host.send("status");
    const QJsonArray feeds = host.next("status").value("feeds").toArray();
    ASSERT_EQ(feeds.size(), 2);
    EXPECT_EQ(feeds[0].toObject().value("state"), QStringLiteral("updating"));
    EXPECT_EQ(feeds[1].toObject().value("state"), QStringLiteral("pending")) << "queued behind the slow one";
    EXPECT_EQ(http.hits("/fast"), 0);
    EXPECT_EQ(host.count("idle"), 0);

    QElapsedTimer clock;
    clock.start();
    host.send("quit");
    ASSERT_TRUE(host.waitForExit(10000));
    EXPECT_LT(clock.elapsed(), 5000) << "quit waited for the stalled fetch";
    EXPECT_EQ(host.exitCode(), 0);
}

TEST(HeadlessUpdates, IdleOnceARoundIsDoneStatusOfEveryFeedAndRefresh) {
    LoopbackHttpServer http;
    http.route("/a", {200,
                      rss("<title>Alpha</title><item><title>a1</title></item><item><title>a2</title></item>"),
                      {{"ETag", "\"a\""}}});
    http.route("/gone", {404, "no such feed"});
    const QString a = http.url("/a");
    const QString gone = http.url("/gone");
    const QString off = http.url("/off");
    LiveHost host({feedRecord(a), feedRecord(gone), feedRecord(off, false)});
    host.send("wait");
    host.next("idle");
    host.send("status");
    const QJsonObject status = host.next("status");
    EXPECT_EQ(host.count("idle"), 1) << "idle only once nothing runs and nothing waits";

    const QJsonArray feeds = status.value("feeds").toArray();
    ASSERT_EQ(feeds.size(), 3);
    const QJsonObject first = feeds[0].toObject();
    EXPECT_EQ(first.keys(), (QStringList{"items", "lastAttempt", "lastSuccess", "message", "next", "state",
                                         "title", "url"}));
    EXPECT_EQ(first.value("url"), a);
    EXPECT_EQ(first.value("state"), QStringLiteral("ok"));
    EXPECT_EQ(first.value("items"), 2);
    EXPECT_EQ(first.value("title"), QStringLiteral("Alpha"));
    EXPECT_EQ(first.value("message"), QString());
    EXPECT_TRUE(QDateTime::fromString(first.value("lastSuccess").toString(), Qt::ISODate).isValid());
    EXPECT_GT(QDateTime::fromString(first.value("next").toString(), Qt::ISODate),
              QDateTime::currentDateTimeUtc());
    const QJsonObject failed = feeds[1].toObject();
    EXPECT_EQ(failed.value("state"), QStringLiteral("failed"));
    EXPECT_EQ(failed.value("message"), QStringLiteral("HTTP 404"));
    EXPECT_TRUE(failed.value("lastSuccess").isNull());
    EXPECT_FALSE(failed.value("lastAttempt").isNull());
    const QJsonObject disabled = feeds[2].toObject();
    EXPECT_EQ(disabled.value("state"), QStringLiteral("pending"));
    EXPECT_TRUE(disabled.value("next").isNull());
    EXPECT_TRUE(disabled.value("lastAttempt").isNull());

    // Refresh: every enabled feed again, in order; the unchanged one costs no
    // sign churn, the failed one fails again and the user hears of it.
    const int adds = host.count("add");
    host.send("refresh");
    host.send("wait");
    host.next("idle");
    host.send("status");
    const QJsonArray again = host.next("status").value("feeds").toArray();
    EXPECT_EQ(again[0].toObject().value("state"), QStringLiteral("not-modified"));
    EXPECT_EQ(again[0].toObject().value("items"), 2);
    EXPECT_EQ(again[1].toObject().value("state"), QStringLiteral("failed"));
    EXPECT_EQ(host.count("add"), adds);
    EXPECT_EQ(host.count("remove"), 0);
    EXPECT_EQ(host.count("beep"), 2);
    EXPECT_EQ(http.hits("/a"), 2);
    EXPECT_EQ(http.hits("/off"), 0);
    host.send("quit");
    EXPECT_TRUE(host.waitForExit(10000));
}

// A script may write a command in pieces: the host runs it once its line break
// comes, and the end of the input still ends the host.
TEST(HeadlessUpdates, ALineWrittenInPiecesRunsOnceWhole) {
    LiveHost host({});
    host.send("wait");
    host.next("idle");
    host.write("sett");
    // Long enough for the host to have read the piece on its own.
    QThread::msleep(500);
    host.write("ings\nstat");
    host.next("settings");
    host.write("us\n");
    host.next("status");
    EXPECT_EQ(host.count("error"), 0) << "a piece was taken for a command";
    host.closeInput();
    ASSERT_TRUE(host.waitForExit(10000));
    EXPECT_EQ(host.exitCode(), 0);
}
