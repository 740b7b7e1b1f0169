// A feed URL that answers with a web page: the feed its head names is followed
// once, and takes the page's place in the list; feeds in every format are read
// whatever Content-Type they come with.
#include "tests/feeds/FeedTestSupport.h"

#include <QImage>

namespace {

using Response = LoopbackHttpServer::Response;

QByteArray page(const QByteArray& head) {
    return "<!doctype html>\n<html><head><meta charset=utf-8><title>Home</title>" + head +
           "</head><body><p>Welcome<br></body></html>";
}

const QByteArray kAtom = "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">"
                         "<title>Atom Site</title><link href=\"/\"/>"
                         "<entry><title>First</title><id>a-1</id><link href=\"/1\"/></entry>"
                         "<entry><title>Second</title><id>a-2</id></entry></feed>";

class Discovery : public HttpFeedTest {
  protected:
    QStringList listedURLs() {
        QStringList urls;
        for (const QVariant& record : store().records())
            urls.append(record.toMap().value("url").toString());
        return urls;
    }
    QVariantMap statusOf(const QString& url) {
        for (const QVariant& status : plugin->sourceStatus())
            if (status.toMap().value("url") == url) return status.toMap();
        return {};
    }
};

} // namespace

TEST_F(Discovery, ThePageNamesItsFeedWhichTakesThePagesPlace) {
    http.route("/", {200,
                     page("<link rel=\"alternate\" type=\"application/atom+xml\" href=\"/feed.atom\">"),
                     {{"Content-Type", "text/html; charset=utf-8"}}});
    http.route("/feed.atom", {200, kAtom, {{"Content-Type", "text/html"}}});
    const QString pageURL = http.url("/");
    const QString feedURL = http.url("/feed.atom");
    setFeeds({record(http.url("/other"), 30, false), record(pageURL, 45, false)});
    hide(pageURL, {QStringLiteral("a-2")});
    store().storeFeeds(plugin->preferences());
    const int savesBefore = server.preferenceChanges;

    runUpdate(pageURL);
    EXPECT_FALSE(plugin->feedUpdater().updateLock().isHeld());
    EXPECT_EQ(recorder->logLines(), QStringList{pageURL + QStringLiteral(": using the feed ") + feedURL +
                                                QStringLiteral(" named by the page")});
    EXPECT_EQ(recorder->beeps(), 0);
    EXPECT_EQ(http.hits("/"), 1);
    EXPECT_EQ(http.hits("/feed.atom"), 1);
    // The record keeps its place, interval and switch; the hidden item stays hidden.
    EXPECT_EQ(listedURLs(), (QStringList{http.url("/other"), feedURL}));
    EXPECT_EQ(store().records().at(1).toMap(), record(feedURL, 45, false));
    EXPECT_EQ(postedTexts(), QStringList{"First (Atom Site) "});
    ASSERT_FALSE(entry(pageURL));
    ASSERT_TRUE(entry(feedURL) && entry(feedURL)->tickers);
    EXPECT_EQ(static_cast<PNTextTickerSign&>(*entry(feedURL)->tickers->at(0)).actionString(),
              QStringLiteral("0,") + feedURL);
    EXPECT_EQ(statusOf(feedURL).value("title"), QStringLiteral("Atom Site"));

    // The settings are saved once the main thread hears of it.
    ASSERT_TRUE(waitUntil([&] { return server.preferenceChanges > savesBefore; }));
    EXPECT_EQ(server.settings.value("feeds").toList().at(1).toMap().value("url"), QVariant(feedURL));
    EXPECT_EQ(server.settings.value("ignored").toMap().value(feedURL), QVariant(QVariantList{"a-2"}));
    EXPECT_FALSE(server.settings.value("ignored").toMap().contains(pageURL));
}

TEST_F(Discovery, TheTimerFollowsTheFeedWithoutFiringAgain) {
    http.route("/", {200, page("<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/rss\">")});
    http.route("/rss", {200, kGoodFeed});
    setFeeds({record(http.url("/"), 30, true)});
    store().storeFeeds(plugin->preferences());
    plugin->activate();
    ASSERT_TRUE(waitForUpdates());
    ASSERT_TRUE(waitUntil([&] {
        return timers() && timers()->size() == 1 && timers()->at(0)->userInfo() == QVariant(http.url("/rss"));
    }));
    EXPECT_TRUE(timers()->at(0)->isValid());
    EXPECT_DOUBLE_EQ(timers()->at(0)->timeInterval(), 30 * 60.0);
    EXPECT_EQ(http.hits("/rss"), 1);
    EXPECT_EQ(postedTexts(), QStringList{kGoodSign});
    plugin->deactivate();
    EXPECT_TRUE(server.onTicker().isEmpty()) << "deactivation finds the signs under the feed's URL";
}

TEST_F(Discovery, APageWithoutAFeedOrNamingNoUsableOneFails) {
    const struct {
        QByteArray head;
        QString message; // %1: the named link
        QByteArray link = {};
    } cases[] = {
        {"<link rel=\"stylesheet\" href=\"/s.css\"><link rel=\"alternate\" type=\"text/html\" href=\"/m\">",
         QStringLiteral("a web page, not a feed")},
        {"<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/missing\">",
         QStringLiteral("the page names the feed %1, which cannot be fetched: "), "/missing"},
        {"<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/second-page\">",
         QStringLiteral("a web page naming %1, which is not a feed (a web page)"), "/second-page"},
        {"<link rel=\"alternate\" type=\"application/feed+json\" href=\"/not-json-feed\">",
         QStringLiteral(
             "a web page naming %1, which is not a feed (a JSON document that is not a JSON Feed)"),
         "/not-json-feed"},
    };
    http.route("/missing", {404, "gone"});
    http.route("/second-page",
               {200, page("<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/never-asked\">")});
    http.route("/not-json-feed", {200, "{\"name\": \"package\"}"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head.toStdString());
        http.route("/page", {200, page(c.head)});
        const QString pageURL = http.url("/page");
        setFeeds({record(pageURL, 30, true)});
        const QStringList lines = runFailedUpdate(pageURL);
        EXPECT_EQ(recorder->beeps(), 1);
        EXPECT_EQ(listedURLs(), QStringList{pageURL}) << "the record stays as it was";
        const QVariantMap status = statusOf(pageURL);
        EXPECT_EQ(status.value("state"), QStringLiteral("failed"));
        const QString named = c.link.isEmpty() ? c.message : c.message.arg(http.url(c.link));
        EXPECT_TRUE(status.value("message").toString().startsWith(named))
            << status.value("message").toString().toStdString();
        if (c.message.startsWith(u"a web page, not")) {
            EXPECT_EQ(lines, QStringList{pageURL + QStringLiteral(" is a web page, not a feed")});
        }
    }
    EXPECT_EQ(http.hits("/never-asked"), 0) << "a page's link is followed once, not from page to page";
}

TEST_F(Discovery, AFeedListedAlreadyIsNotListedTwice) {
    http.route("/page", {200, page("<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/rss\">")});
    http.route("/rss", {200, kGoodFeed});
    setFeeds({record(http.url("/rss"), 30, true), record(http.url("/page"), 30, true)});
    runFailedUpdate(http.url("/page"));
    EXPECT_EQ(listedURLs(), (QStringList{http.url("/rss"), http.url("/page")}));
    EXPECT_TRUE(
        statusOf(http.url("/page")).value("message").toString().contains(QStringLiteral("listed already")));
}

TEST_F(Discovery, EveryFormatIsReadWhateverItsContentTypeSays) {
    const QByteArray json = "{\"version\":\"https://jsonfeed.org/version/1.1\",\"title\":\"Jay\","
                            "\"items\":[{\"id\":\"1\",\"title\":\"From JSON\",\"url\":\"/j/1\"}]}";
    http.route("/atom", {200, kAtom, {{"Content-Type", "application/json"}}});
    http.route("/json", {200, json, {{"Content-Type", "application/rss+xml"}}});
    http.route("/rss", {200, kGoodFeed, {{"Content-Type", "application/feed+json"}}});
    hide(http.url("/atom"), {QStringLiteral("a-2")});
    runUpdate(http.url("/atom"));
    runUpdate(http.url("/json"));
    runUpdate(http.url("/rss"));
    EXPECT_EQ(postedTexts(), (QStringList{"First (Atom Site) ", "From JSON (Jay) ", kGoodSign}));
    EXPECT_EQ(entry(http.url("/json"))->items->at(0).link.text, http.url("/j/1"));
    EXPECT_EQ(entry(http.url("/atom"))->channel->link.text, http.url("/"));
    EXPECT_TRUE(recorder->logLines().isEmpty()) << recorder->logLines().join(u'\n').toStdString();
}

// An http page that names a local file as its feed, directly or through a base
// of file:///, never gets it read: not its items shown, not its address saved.
// Nor does a web feed lead to a local channel image through its xml:base.
TEST_F(Discovery, APageFromTheWebNeverLeadsToALocalFile) {
    const QString local = writeFeed(rss("<title>Local</title><item><title>secret</title></item>"));
    const QString path = QUrl(local).path();
    for (const QByteArray& head :
         {"<base href=\"file:///\"><link rel=alternate type=application/rss+xml href=\"" +
              path.mid(1).toUtf8() + "\">",
          "<base href=\"file:///\"><link rel=alternate type=application/rss+xml href=\"" + path.toUtf8() +
              "\">",
          "<link rel=alternate type=application/rss+xml href=\"" + local.toUtf8() + "\">"}) {
        SCOPED_TRACE(head.toStdString());
        http.route("/page", {200, page(head)});
        const QString pageURL = http.url("/page");
        setFeeds({record(pageURL, 30, true)});
        runFailedUpdate(pageURL);
        EXPECT_EQ(listedURLs(), QStringList{pageURL});
        EXPECT_EQ(statusOf(pageURL).value("message"), QStringLiteral("a web page, not a feed"));
        EXPECT_FALSE(entry(local));
    }

    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString logo = dir.filePath(QStringLiteral("logo.png"));
    ASSERT_TRUE(picture.save(logo));
    http.route("/atom", {200, "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\" "
                              "xml:base=\"file:///\"><title>A</title><logo>" +
                                  logo.mid(1).toUtf8() + "</logo><entry><title>e</title></entry></feed>"});
    server.clear();
    runUpdate(http.url("/atom"));
    EXPECT_EQ(addedTexts(), QStringList{"e (A) "}) << "no image sign";
}
