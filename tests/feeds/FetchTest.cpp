// Fetching a feed over HTTP from good and misbehaving servers on 127.0.0.1: every
// failure is bounded, reported once, and leaves the lock free for the next update.
#include "tests/feeds/FeedTestSupport.h"

namespace {

using Response = LoopbackHttpServer::Response;

class FetchTest : public HttpFeedTest {
  protected:
    // The update of path fails with one beep and one log line naming the address
    // and the reason, leaves an empty feed entry, and the next good update works.
    // Returns how long the failed update took, in milliseconds.
    qint64 expectFetchFailure(const QByteArray& path, const QString& reason) {
        const QString url = http.url(path);
        QElapsedTimer clock;
        clock.start();
        const QStringList lines = runFailedUpdate(url);
        const qint64 elapsed = clock.elapsed();
        EXPECT_EQ(recorder->beeps(), 1);
        EXPECT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
        EXPECT_TRUE(lines.value(0).startsWith(QStringLiteral("cannot fetch %1: ").arg(url)) &&
                    lines.value(0).contains(reason))
            << lines.value(0).toStdString();
        EXPECT_TRUE(entry(url) && entry(url)->isEmpty());
        expectNextGoodUpdateWorks(url, [&] { http.route(path, {200, kGoodFeed}); });
        return elapsed;
    }
};

} // namespace

TEST_F(FetchTest, GoodFeedSendsOurUserAgentWhateverItsContentType) {
    http.route("/feed", {200, kGoodFeed, {{"Content-Type", "text/html"}}});
    runUpdate(http.url("/feed"));
    EXPECT_EQ(postedTexts(), QStringList{kGoodSign});
    EXPECT_EQ(http.requests().value(0).headers.value("user-agent"),
              "Newsreel/" NEWSREEL_VERSION " (Pennant plug-in)");
    EXPECT_EQ(recorder->beeps(), 0);
    EXPECT_TRUE(recorder->logLines().isEmpty());
}

TEST_F(FetchTest, ErrorStatusesOversizeBodiesAndLongRedirectChainsAreNoDocument) {
    const QByteArray bomb = readTestData(QStringLiteral("data/one-mebibyte.xml.gz"));
    ASSERT_LT(bomb.size(), 64 * 1024); // small on the wire, a mebibyte unpacked
    for (int hop = 0; hop < 50; ++hop)
        http.route("/hop" + QByteArray::number(hop),
                   LoopbackHttpServer::redirect("/hop" + QByteArray::number(hop + 1)));
    http.route("/hop50", {200, kGoodFeed});
    const struct {
        QByteArray path;
        Response response;
        const char* reason;
    } cases[] = {
        {"/missing", {404, "<rss><channel><title>error page</title></channel></rss>"}, "HTTP 404"},
        {"/broken", {500, "oops"}, "HTTP 500"},
        // A well-formed document with a mebibyte of white space after the root.
        {"/big",
         {200, "<?xml version=\"1.0\"?><rss><channel><title>big</title></channel></rss>" +
                   QByteArray(1 << 20, ' ')},
         "larger than 65536 bytes"},
        {"/bomb.gz", {200, bomb, {{"Content-Encoding", "gzip"}}}, "larger than 65536 bytes"},
        {"/hop0", LoopbackHttpServer::redirect("/hop1"), "redirect"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        http.route(c.path, c.response);
        expectFetchFailure(c.path, QString::fromLatin1(c.reason));
    }
    EXPECT_EQ(http.hits("/hop5"), 1); // five redirects followed, no more
    EXPECT_EQ(http.hits("/hop6"), 0);
}

TEST_F(FetchTest, RedirectsAreFollowedOnTheWebOnly) {
    http.route("/old", LoopbackHttpServer::redirect(http.url("/new").toLatin1(), 301));
    http.route("/new", {200, kGoodFeed});
    runUpdate(http.url("/old"));
    ASSERT_EQ(postedTexts(), QStringList{kGoodSign});
    // The signs carry the address the user subscribed to, not where it moved.
    EXPECT_TRUE(server.onTicker().first()->actionString().endsWith(u',' + http.url("/old")));

    int path = 0;
    for (const QByteArray target :
         {"file:///etc/passwd", "gopher://127.0.0.1:70/1", "ftp://127.0.0.1/feed.xml", "dict://127.0.0.1/d:x",
          "ldap://127.0.0.1/o=x", "telnet://127.0.0.1/", "smb://127.0.0.1/share", "scp://127.0.0.1/etc/x",
          "tftp://127.0.0.1/x", "data:text/xml,<rss/>", "javascript:alert(1)", "exec:/bin/sh"}) {
        SCOPED_TRACE(target.toStdString());
        const QByteArray name = "/away" + QByteArray::number(path++);
        const int before = int(http.requests().size());
        http.route(name, LoopbackHttpServer::redirect(target));
        expectFetchFailure(name, QString());
        // The redirect, then the good feed; nothing else fetched. The server notes a
        // request once its response is out, which may be after the client is done.
        EXPECT_TRUE(waitUntil([&] { return http.hits(name) == 2; }, 2000)) << http.hits(name);
        EXPECT_EQ(http.requests().size(), before + 2);
    }
}

TEST_F(FetchTest, StalledTricklingAndSlowServersAreAbandonedAtTheirBounds) {
    const struct {
        const char* name;
        int byteDelayMs;
        bool stall;
        const char* reason;
        qint64 atLeastMs, underMs, extraBytes;
    } cases[] = {
        // The low-speed bound (1 s), well before the whole-transfer one (3 s).
        {"stalled", 0, true, "", 0, 2900, 0},
        // A byte, then a pause of ten seconds: given up long before the pause ends.
        {"one byte every ten seconds", 10'000, false, "", 0, 6000, 2},
        // 10 bytes a second: never too slow, never done in time.
        {"slow", 100, false, "timed out", 2900, 6000, 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Response response{200, kGoodFeed};
        response.byteDelayMs = c.byteDelayMs;
        response.stall = c.stall;
        const QByteArray path = "/" + QByteArray(c.name).replace(' ', '-');
        http.route(path, response);
        const qint64 sent = http.bodyBytesSent();
        const qint64 elapsed = expectFetchFailure(path, QString::fromLatin1(c.reason));
        EXPECT_GE(elapsed, c.atLeastMs);
        EXPECT_LT(elapsed, c.underMs);
        EXPECT_LE(http.bodyBytesSent() - sent, kGoodFeed.size() + c.extraBytes);
    }
}

TEST_F(FetchTest, CompressedBodiesAreAcceptedAndDecoded) {
    http.route("/small.gz",
               {200, readTestData(QStringLiteral("data/small-feed.xml.gz")), {{"Content-Encoding", "gzip"}}});
    runUpdate(http.url("/small.gz"));
    EXPECT_EQ(postedTexts(), QStringList({"First (Loopback) ", "Second (Loopback) "}));
    const QByteArray accepted = http.requests().first().headers.value("accept-encoding");
    for (const char* coding : {"gzip", "deflate", "br"})
        EXPECT_TRUE(accepted.contains(coding)) << accepted.toStdString();

    // HTTP's deflate is a zlib stream: qCompress's, without its length prefix.
    http.route("/deflate", {200, qCompress(kGoodFeed).mid(4), {{"Content-Encoding", "deflate"}}});
    server.clear();
    runUpdate(http.url("/deflate"));
    EXPECT_EQ(addedTexts(), QStringList{kGoodSign});
    EXPECT_EQ(recorder->beeps(), 0);
}

TEST_F(FetchTest, RefusedConnectionIsNoDocument) {
    const QString url = LoopbackHttpServer().url("/feed"); // a port nobody listens on any more
    const QStringList lines = runFailedUpdate(url);
    EXPECT_EQ(recorder->beeps(), 1);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("cannot fetch %1: ").arg(url)));
}

TEST_F(FetchTest, InvalidUrlBeepsWithoutLogLine) {
    for (const QString& url :
         {QString(), QStringLiteral("not a url"), QStringLiteral("ftp://127.0.0.1/feed.xml"),
          QStringLiteral("http://"), QStringLiteral("javascript:alert(1)")}) {
        SCOPED_TRACE(url.toStdString());
        const int beeps = recorder->beeps();
        runUpdate(url);
        EXPECT_FALSE(lockHeld());
        EXPECT_EQ(recorder->beeps(), beeps + 1);
        EXPECT_TRUE(entry(url) && entry(url)->isEmpty());
    }
    EXPECT_TRUE(recorder->logLines().isEmpty());
    EXPECT_TRUE(http.requests().isEmpty());
}

TEST_F(FetchTest, BrokenOrForeignDocumentsFailAndKeepWhatTheFeedShowed) {
    // A feed cut off before anything could be read is a parse error: logged with
    // the feed, no beep. A document that is no feed, or a web page naming none, is
    // a failure the user hears of.
    const struct {
        QByteArray path, body, logStart;
        int beeps;
        QString logEnd = QStringLiteral(" is not an Atom, RSS or JSON feed");
    } cases[] = {
        {"/bad", "<rss><channel><ti", "parse error in ", 0},
        {"/page",
         "<!DOCTYPE html><html><head><meta "
         "charset=utf-8><title>Home</title></head><body><p>Hi<br></body></html>",
         "", 1, QStringLiteral(" is a web page, not a feed")},
        {"/xhtml", "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>x</title></head></html>", "", 1,
         QStringLiteral(" is a web page, not a feed")},
        {"/svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"><title>x</title></svg>", "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QString url = http.url(c.path);
        http.route(c.path, {200, kGoodFeed});
        runUpdate(url);
        ASSERT_TRUE(entry(url) && entry(url)->tickers);
        const QList<PNSignRef> shown = *entry(url)->tickers;
        ASSERT_EQ(shown.size(), 1);

        http.route(c.path, {200, c.body});
        const QStringList lines = runFailedUpdate(url);
        EXPECT_TRUE(server.calls().isEmpty()) << "a failed update neither adds nor removes a sign";
        ASSERT_TRUE(entry(url)->tickers);
        EXPECT_EQ(*entry(url)->tickers, shown);
        EXPECT_TRUE(server.onTicker().contains(shown[0]));
        ASSERT_EQ(lines.size(), 1);
        const QString expected =
            c.logStart.isEmpty() ? url + c.logEnd : QString::fromUtf8(c.logStart) + url + u':';
        EXPECT_TRUE(lines[0].startsWith(expected)) << lines[0].toStdString();
        EXPECT_EQ(recorder->beeps(), c.beeps);
        ASSERT_TRUE(entry(url)->channel);
        EXPECT_EQ(entry(url)->channel->title.text, QStringLiteral("Good"));
        const QVariantMap status = statusOfRow();
        EXPECT_EQ(status.value("state"), QStringLiteral("failed"));
        EXPECT_EQ(status.value("title"), QStringLiteral("Good")) << "the title of the last success stays";
        EXPECT_FALSE(status.value("message").toString().isEmpty());
        expectNextGoodUpdateWorks(url, [&] { http.route(c.path, {200, kGoodFeed}); });
    }
}

// A feed with a stray "&" is shown as its well-formed twin would be: the update
// succeeds, and its status and a log line say what was repaired.
TEST_F(FetchTest, ADocumentThatIsNotWellFormedIsRepairedAndSaysSo) {
    const QString url = http.url("/stray");
    http.route("/stray", {200, "<rss><channel><title>Fish & Chips</title>\n"
                               "<item><title>Cod & more</title></item><item><title>Cut"});
    restartRecorder();
    runUpdate(url);
    EXPECT_FALSE(lockHeld());
    EXPECT_EQ(postedTexts(), QStringList{QStringLiteral("Cod & more (Fish & Chips) ")})
        << "the item cut off at the end is not shown";
    const QVariantMap status = statusOfRow();
    EXPECT_EQ(status.value("state"), QStringLiteral("ok"));
    EXPECT_EQ(status.value("items"), 1);
    const QString message = status.value("message").toString();
    EXPECT_TRUE(message.startsWith(QStringLiteral("repaired: ")) && message.endsWith(u')') &&
                message.contains(QStringLiteral(" (line ")))
        << message.toStdString();
    const QStringList lines = recorder->logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QStringLiteral("parse error in %1, repaired: %2").arg(url, message.mid(10)));
    EXPECT_EQ(recorder->beeps(), 0);

    // The next update of a well-formed document clears the note.
    http.route("/stray", {200, kGoodFeed});
    runUpdate(url);
    EXPECT_EQ(statusOfRow().value("message"), QString());
}

TEST_F(FetchTest, ShutdownAbandonsARunningFetch) {
    Response stalled{200, kGoodFeed};
    stalled.stall = true;
    http.route("/stall", stalled);
    limits().lowSpeedSeconds = 60;
    limits().totalTimeoutMs = 60'000;
    plugin->feedUpdater().updateLock().lock();
    UpdateRequest request;
    request.feedURL = http.url("/stall");
    std::thread worker([this, &request] { plugin->feedUpdater().updateFeed(request); });
    // The request has arrived: the fetch is in its transfer, past connecting.
    ASSERT_TRUE(waitUntil([this] { return http.hits("/stall") > 0; }));
    QElapsedTimer clock;
    clock.start();
    plugin->feedUpdater().cancel();
    worker.join();
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_FALSE(lockHeld());
    EXPECT_EQ(recorder->beeps(), 0); // going away is not a failed feed
}

TEST_F(FetchTest, CharsetOfTheContentTypeDecodesAnUndeclaredDocument) {
    const QString news = QStringLiteral("Новости");
    const struct {
        QByteArray path, body, contentType;
        QString sign;
    } cases[] = {
        {"/koi8",
         encoded("KOI8-R", QStringLiteral("<?xml version=\"1.0\"?><rss><channel><title>") + news +
                               QStringLiteral("</title><item><title>") + news +
                               QStringLiteral("</title></item></channel></rss>")),
         "text/xml; charset=\"KOI8-R\"", news + QStringLiteral(" (") + news + QStringLiteral(") ")},
        // The declaration wins over the header, and a byte-order mark over both.
        {"/declared",
         encoded("windows-1252",
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1252\"?><rss><channel>"
                                "<title>Café</title><item><title>€ “q”</title></item></channel></rss>")),
         "application/rss+xml; charset=KOI8-R", QStringLiteral("€ “q” (Café) ")},
        {"/marked", "\xEF\xBB\xBF" + rss("<title>Été</title><item><title>ü</title></item>"),
         "text/xml; charset=ISO-8859-1", QStringLiteral("ü (Été) ")},
        // An unknown or hostile charset name is ignored.
        {"/bogus", rss("<title>Plain</title><item><title>é</title></item>"),
         "text/xml; charset=no-such-thing", QStringLiteral("é (Plain) ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        http.route(c.path, {200, c.body, {{"Content-Type", c.contentType}, {"ETag", "\"" + c.path + "\""}}});
        server.clear();
        runUpdate(http.url(c.path));
        EXPECT_EQ(addedTexts(), QStringList{c.sign});
        // The second time the document is unchanged: its signs stay as they were.
        server.clear();
        runUpdate(http.url(c.path));
        EXPECT_TRUE(server.calls().isEmpty());
        EXPECT_EQ(http.requests().last().headers.value("if-none-match"), "\"" + c.path + "\"");
    }
    EXPECT_TRUE(recorder->logLines().isEmpty()) << recorder->logLines().join(u'\n').toStdString();
}
