// Servers that misbehave, bounded where the fetcher enforces it, and the loose
// but valid feeds that real servers send, which must still update.
#include "feeds/RssHandlers.h"
#include "tests/feeds/FeedTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const QByteArray kGoodFeed = rss("<title>Good</title><item><title>One</title></item>");

class HostileServer : public FeedTest {
  protected:
    void SetUp() override {
        FeedTest::SetUp();
        plugin->fetchLimits.connectTimeoutMs = 2000;
        plugin->fetchLimits.totalTimeoutMs = 5000;
        plugin->fetchLimits.lowSpeedSeconds = 1;
        plugin->fetchLimits.maxBytes = 64 * 1024;
    }

    // One update of path: no signs and a free lock; then the same address, now
    // serving a good feed, updates normally. Returns the log lines of the first.
    QStringList failThenRecover(const QByteArray& path) {
        const QString url = http.url(path);
        restartRecorder();
        server.clear();
        runUpdate(url);
        EXPECT_FALSE(plugin->threadLock.isHeld());
        EXPECT_TRUE(addedTexts().isEmpty());
        const QStringList lines = recorder->logLines();
        http.route(path, {200, kGoodFeed});
        server.clear();
        runUpdate(url);
        EXPECT_FALSE(plugin->threadLock.isHeld());
        EXPECT_EQ(addedTexts(), QStringList{QStringLiteral("One (Good) ")});
        return lines;
    }

    LoopbackHttpServer http;
};

QByteArray encoded(const char* encoding, const QString& text) {
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

} // namespace

TEST_F(HostileServer, LongRedirectChainStopsAtTheRedirectBound) {
    for (int hop = 0; hop < 50; ++hop)
        http.route("/hop" + QByteArray::number(hop),
                   LoopbackHttpServer::redirect("/hop" + QByteArray::number(hop + 1)));
    http.route("/hop50", {200, kGoodFeed});
    const QStringList lines = failThenRecover("/hop0");
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().contains(QStringLiteral("redirect"))) << lines.first().toStdString();
    EXPECT_EQ(http.hits("/hop6"), 0); // five redirects followed, no more
    EXPECT_EQ(http.hits("/hop50"), 0);
}

TEST_F(HostileServer, RedirectsLeaveTheWebForNothing) {
    const QByteArray targets[] = {
        "file:///etc/passwd",    "gopher://127.0.0.1:70/1", "ftp://127.0.0.1/feed.xml",
        "dict://127.0.0.1/d:x",  "ldap://127.0.0.1/o=x",    "telnet://127.0.0.1/",
        "smb://127.0.0.1/share", "scp://127.0.0.1/etc/x",   "tftp://127.0.0.1/x",
        "data:text/xml,<rss/>",  "javascript:alert(1)",     "exec:/bin/sh"};
    int path = 0;
    for (const QByteArray& target : targets) {
        SCOPED_TRACE(target.toStdString());
        const QByteArray name = "/away" + QByteArray::number(path++);
        http.route(name, LoopbackHttpServer::redirect(target));
        const QStringList lines = failThenRecover(name);
        EXPECT_EQ(lines.size(), 1);
        // The redirect, then the good feed; nothing else fetched. The server notes a
        // request once its response is out, which may be after the client is done.
        EXPECT_TRUE(waitUntil([&] { return http.hits(name) == 2; }, 2000)) << http.hits(name);
        EXPECT_EQ(http.requests().size(), 2 * path);
    }
}

TEST_F(HostileServer, OneByteEveryTenSecondsIsAbandonedAtTheLowSpeedBound) {
    LoopbackHttpServer::Response trickle{200, kGoodFeed};
    trickle.byteDelayMs = 10'000;
    http.route("/trickle", trickle);
    QElapsedTimer clock;
    clock.start();
    const QStringList lines = failThenRecover("/trickle");
    EXPECT_LT(clock.elapsed(), 8000); // the 1 s low-speed bound, not the 5 s total one, nor the 10 s pause
    ASSERT_EQ(lines.size(), 1);
    EXPECT_LE(http.bodyBytesSent(), 2 + kGoodFeed.size());
}

TEST_F(HostileServer, HtmlPageInsteadOfAFeedMakesNoSigns) {
    http.route("/page", {200,
                         "<!DOCTYPE html><html><head><meta charset=utf-8><title>Home</title></head>"
                         "<body><p>Welcome<br></body></html>",
                         {{"Content-Type", "text/html; charset=utf-8"}}});
    QStringList lines = failThenRecover("/page");
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("parse error: ")));
    EXPECT_EQ(recorder->beeps(), 0);

    // Well formed, but no channel and no item: nothing to show, nothing to say.
    http.route("/xhtml", {200,
                          "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>x</title></head></html>",
                          {{"Content-Type", "text/html"}}});
    EXPECT_TRUE(failThenRecover("/xhtml").isEmpty());
}

TEST_F(HostileServer, ValidFeedServedAsHtmlIsAccepted) {
    http.route("/as-html", {200, kGoodFeed, {{"Content-Type", "text/html"}}});
    runUpdate(http.url("/as-html"));
    EXPECT_EQ(postedTexts(), QStringList{QStringLiteral("One (Good) ")});
    EXPECT_TRUE(recorder->logLines().isEmpty());
}

TEST_F(HostileServer, CharsetOfTheContentTypeDecodesAnUndeclaredDocument) {
    const QString title = QStringLiteral("Новости");
    const QByteArray body = encoded("KOI8-R", QStringLiteral("<?xml version=\"1.0\"?><rss><channel><title>") +
                                                  title + QStringLiteral("</title><item><title>") + title +
                                                  QStringLiteral("</title></item></channel></rss>"));
    http.route("/koi8", {200, body, {{"Content-Type", "text/xml; charset=\"KOI8-R\""}}});
    server.clear();
    runUpdate(http.url("/koi8"));
    EXPECT_EQ(addedTexts(), QStringList{title + QStringLiteral(" (") + title + QStringLiteral(") ")});

    // The declaration wins over the header, and a byte-order mark over both.
    const QByteArray declared =
        encoded("windows-1252", QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1252\"?>"
                                               "<rss><channel><title>Café</title><item><title>"
                                               "€ “q”</title></item></channel></rss>"));
    http.route("/declared", {200, declared, {{"Content-Type", "application/rss+xml; charset=KOI8-R"}}});
    server.clear();
    runUpdate(http.url("/declared"));
    EXPECT_EQ(addedTexts(), QStringList{QStringLiteral("€ “q” (Café) ")});

    http.route("/marked", {200,
                           "\xEF\xBB\xBF" + rss("<title>Été</title><item><title>ü</title></item>"),
                           {{"Content-Type", "text/xml; charset=ISO-8859-1"}}});
    server.clear();
    runUpdate(http.url("/marked"));
    EXPECT_EQ(addedTexts(), QStringList{QStringLiteral("ü (Été) ")});

    // An unknown or hostile charset name is ignored.
    http.route("/bogus", {200,
                          rss("<title>Plain</title><item><title>é</title></item>"),
                          {{"Content-Type", "text/xml; charset=no-such-thing"}}});
    server.clear();
    runUpdate(http.url("/bogus"));
    EXPECT_EQ(addedTexts(), QStringList{QStringLiteral("é (Plain) ")});
    EXPECT_TRUE(recorder->logLines().isEmpty()) << recorder->logLines().join(u'\n').toStdString();
}

TEST(TransportCharset, HeldBackUntilTheDeclarationIsWholeWhateverTheChunks) {
    const QByteArray body =
        encoded("Shift_JIS", QStringLiteral("<?xml version=\"1.0\"?>\n<rss><channel><title>"
                                            "日本語の表示</title></channel></rss>"));
    for (std::size_t chunk : {std::size_t(1), std::size_t(3), std::size_t(4096)}) {
        RssHandlers handlers;
        platform::XmlEventParser parser(handlers);
        parser.setFallbackEncoding("Shift_JIS");
        for (std::size_t at = 0; at < std::size_t(body.size()); at += chunk)
            parser.parseChunk(body.constData() + at, std::min(chunk, std::size_t(body.size()) - at));
        ASSERT_TRUE(parser.finish()) << parser.errorDescription().toStdString();
        EXPECT_EQ(handlers.feedDictionary().channel->value(QStringLiteral("title")),
                  QStringLiteral("日本語の表示"));
    }
}
