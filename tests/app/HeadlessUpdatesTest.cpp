// The headless host while feeds update: commands are answered at once, idle means
// nothing runs or waits, and every feed's status can be read.
#include "tests/app/WindowTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray rssFeed(const QByteArray& title, const QByteArray& items) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>" + title + "</title>" + items +
           "</channel></rss>";
}

// A headless host that a test talks to line by line.
class LiveHost {
  public:
    LiveHost(const QString& settingsPath) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(env);
        // What the host says on stderr (a sanitizer's report too) shows in the test's output.
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(TEST_PENNANT_BINARY), {"--headless", "--settings", settingsPath});
        EXPECT_TRUE(process_.waitForStarted());
    }
    ~LiveHost() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    void send(const QByteArray& line) { sendRaw(line + '\n'); }
    void sendRaw(const QByteArray& bytes) {
        process_.write(bytes);
        process_.waitForBytesWritten();
    }
    // The next event of this kind (events before it are kept in seen()).
    QJsonObject next(const QString& kind, int timeoutMs = 20000) {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            while (process_.canReadLine()) {
                const QJsonObject event = QJsonDocument::fromJson(process_.readLine()).object();
                seen_.append(event);
                if (event.value("event").toString() == kind) return event;
            }
            const qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0 || process_.state() == QProcess::NotRunning) break;
            process_.waitForReadyRead(int(std::min<qint64>(left, 200)));
        }
        ADD_FAILURE() << "no " << kind.toStdString() << " event";
        return {};
    }
    int count(const QString& kind) const {
        int n = 0;
        for (const QJsonObject& e : seen_)
            n += e.value("event").toString() == kind;
        return n;
    }
    QProcess& process() { return process_; }

  private:
    QProcess process_;
    QList<QJsonObject> seen_;
};

QString writeSettings(const QTemporaryDir& dir, const QJsonArray& feeds) {
    const QString path = dir.filePath(QStringLiteral("s.json"));
    writeFile(path, QJsonDocument(
                        QJsonObject{{"org.pennant.newsreel",
                                     QJsonObject{{"feeds", feeds}, {"useTTL", false}, {"titleLength", 30}}}})
                        .toJson());
    return path;
}

QJsonObject feed(const QString& url, bool enabled = true) {
    return {{"url", url}, {"interval", 30}, {"enabled", enabled}};
}

} // namespace

TEST(HeadlessUpdates, SlowFeedFirstInTheListHoldsNoCommandAndQuitCancelsIt) {
    LoopbackHttpServer http;
    LoopbackHttpServer::Response stalled{200, "never sent"};
    stalled.stall = true;
    http.route("/slow", stalled);
    http.route("/fast", {200, rssFeed("Fast", "<item><title>f1</title></item>")});
    QTemporaryDir dir;
    LiveHost host(writeSettings(dir, {feed(http.url("/slow")), feed(http.url("/fast"))}));
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
    ASSERT_TRUE(host.process().waitForFinished(10000));
    EXPECT_LT(clock.elapsed(), 5000) << "quit waited for the stalled fetch";
    EXPECT_EQ(host.process().exitCode(), 0);
}

TEST(HeadlessUpdates, IdleOnceARoundIsDoneStatusOfEveryFeedAndRefresh) {
    LoopbackHttpServer http;
    http.route("/a", {200,
                      rssFeed("Alpha", "<item><title>a1</title></item><item><title>a2</title></item>"),
                      {{"ETag", "\"a\""}}});
    http.route("/gone", {404, "no such feed"});
    QTemporaryDir dir;
    const QString a = http.url("/a");
    const QString gone = http.url("/gone");
    const QString off = http.url("/off");
    LiveHost host(writeSettings(dir, {feed(a), feed(gone), feed(off, false)}));
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
    EXPECT_TRUE(host.process().waitForFinished(10000));
}

// A script may write a command in pieces: the host runs it once its line break
// comes, and the end of the input still ends the host.
TEST(HeadlessUpdates, ALineWrittenInPiecesRunsOnceWhole) {
    QTemporaryDir dir;
    LiveHost host(writeSettings(dir, {}));
    host.send("wait");
    host.next("idle");
    host.sendRaw("sett");
    // Long enough for the host to have read the piece on its own.
    host.process().waitForReadyRead(500);
    host.sendRaw("ings\nstat");
    host.next("settings");
    host.sendRaw("us\n");
    host.next("status");
    EXPECT_EQ(host.count("error"), 0) << "a piece was taken for a command";
    host.process().closeWriteChannel();
    ASSERT_TRUE(host.process().waitForFinished(10000));
    EXPECT_EQ(host.process().exitCode(), 0);
}
