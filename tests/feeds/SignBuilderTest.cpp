// What an update posts for a parsed feed: text and look of the text signs, hidden
// items, the channel image, and the adoption of the time-to-live.
#include "feeds/SignText.h"
#include "tests/feeds/FeedTestSupport.h"

#include <QImage>
#include <QUrl>

namespace {

class SignBuilderTest : public FeedTest {
  protected:
    QString writeImage(int width, int height, const QString& name = QStringLiteral("logo.png")) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkRed);
        EXPECT_TRUE(image.save(dir.filePath(name)));
        return QUrl::fromLocalFile(dir.filePath(name)).toString();
    }
    QList<PNSignRef> signs() { return server.onTicker(); }
    static PNAttributedString textOf(const PNSignRef& sign) {
        return static_cast<PNTextTickerSign&>(*sign).text();
    }
    QStringList actions() {
        QStringList all;
        for (const PNSignRef& sign : signs())
            all.append(sign->actionString());
        return all;
    }
};

} // namespace

TEST_F(SignBuilderTest, TitlesAreShortenedToTitleLength) {
    plugin->preferences().setTitleLength(30);
    const QString exact(30, u'a');
    runUpdate(writeFeed(rss("<title>" + QByteArray(40, 'C') + "</title><item><title>" + exact.toUtf8() +
                            "</title></item><item><title>" + QByteArray(31, 'b') + "</title></item>")));
    const QString channelPart = QString(27, u'C') + QStringLiteral("...");
    ASSERT_EQ(postedTexts(), QStringList({exact + " (" + channelPart + ") ",
                                          QString(27, u'b') + "... (" + channelPart + ") "}));
    const PNAttributedString second = textOf(signs().value(1));
    ASSERT_EQ(second.runs().size(), 2);
    EXPECT_EQ(second.runs()[0].length, 30); // the divider
    EXPECT_EQ(second.runs()[0].font, PNAttributedString::Font::Standard);
    EXPECT_EQ(second.runs()[1].font, PNAttributedString::Font::Small);
    EXPECT_EQ(second.runs()[1].start + second.runs()[1].length, second.length());
}

TEST_F(SignBuilderTest, ItemPartFallsBackToDescriptionAndOnlyLinkedItemsAreBlueAndUnderlined) {
    runUpdate(writeFeed(rss("<title>Desk</title><item><title>Linked</title><link>http://a.example/1</link>"
                            "</item><item><title>Plain</title></item>"
                            "<item><description>Only a description</description></item>"
                            "<item><title></title><description>Empty title element</description></item>"
                            "<item><link>http://a.example/</link></item>"
                            "<item><title x=\"1\">attributed</title></item>")));
    ASSERT_EQ(postedTexts(), QStringList({"Linked (Desk) ", "Plain (Desk) ", "Only a description (Desk) ",
                                          "Empty title element (Desk) ", "attributed (Desk) "}));
    const auto linked = textOf(signs()[0]).runs();
    ASSERT_EQ(linked.size(), 2);
    EXPECT_EQ(linked[0].length, 6);
    EXPECT_EQ(linked[0].color, QColor(Qt::blue));
    EXPECT_EQ(linked[0].underline, 1);
    EXPECT_FALSE(linked[1].color);
    EXPECT_FALSE(linked[1].underline);
    for (const auto& run : textOf(signs()[1]).runs()) {
        EXPECT_FALSE(run.color);
        EXPECT_FALSE(run.underline);
    }
    for (const PNSignRef& sign : signs()) {
        EXPECT_EQ(sign->actionType(), PNPennantActionTypeCustom);
        EXPECT_EQ(sign->loopCount(), PNEndlessLoopCount);
        EXPECT_TRUE(sign->continuousScrolling());
    }
    EXPECT_EQ(server.calls()[0].kind, RecordingServer::Call::AddWithClient);
}

// An untitled item reads as the plain text of what stands in for its title; one
// with nothing to read gets no sign, and the items after it keep their index.
TEST_F(SignBuilderTest, UntitledItemsShowThePlainTextOfTheirStandIn) {
    const QString url = writeFeed(rss(
        "<title>Desk</title>"
        "<item><description>&lt;p&gt;Caf&amp;eacute; &lt;b&gt;open&lt;/b&gt;\n  late&lt;/p&gt;</description>"
        "</item>"
        "<item><content:encoded xmlns:content=\"http://purl.org/rss/1.0/modules/content/\">"
        "<![CDATA[<div>Only <i>content</i> &#8211; encoded</div>]]></content:encoded></item>"
        "<item><description>  <![CDATA[<p> </p>]]> </description><link>http://a.example/</link></item>"
        "<item><title>Last</title></item>"));
    runUpdate(url);
    EXPECT_EQ(postedTexts(), QStringList({QStringLiteral("Café open late (Desk) "),
                                          QStringLiteral("Only content \u2013 encoded (Desk) "),
                                          QStringLiteral("Last (Desk) ")}));
    EXPECT_EQ(actions(), QStringList({"0," + url, "1," + url, "3," + url}));
    // The description window still gets the HTML.
    EXPECT_EQ(entry(url)->items->at(0).description.text,
              QStringLiteral("<p>Caf&eacute; <b>open</b>\n  late</p>"));
}

TEST_F(SignBuilderTest, HiddenItemsGetNoSignButKeepTheirIndex) {
    const QString url = writeFeed(rss("<title>Desk</title>"
                                      "<item><title>zero</title><guid>g0</guid></item>"
                                      "<item><title>one</title><guid>g1</guid></item>"
                                      "<item><title>two</title><guid isPermaLink=\"false\">g2</guid></item>"
                                      "<item><title>three</title></item>"));
    hide(url, {"g1", "g3"});
    hide(QStringLiteral("file:///other.xml"), {"g0"});
    runUpdate(url);
    EXPECT_EQ(actions(), QStringList({"0," + url, "2," + url, "3," + url}));
    // A guid written with attributes is hidden by its text.
    store().clearHiddenItems();
    hide(url, {"g2"});
    runUpdate(url);
    EXPECT_EQ(actions(), QStringList({"0," + url, "1," + url, "3," + url}));
}

TEST_F(SignBuilderTest, TimeToLiveIsAdoptedOnlyWhenWanted) {
    const QString url =
        writeFeed(rss("<title>Desk</title><ttl> 15 minutes</ttl><item><title>x</title></item>"));
    const QString other = QStringLiteral("http://other.example/feed.xml");
    auto afterUpdate = [&](const QVariantList& records) {
        setFeeds(records);
        store().storeFeeds(plugin->preferences());
        runUpdate(url);
        return store().records();
    };
    plugin->preferences().setUseTTL(false);
    EXPECT_EQ(afterUpdate({record(url, 60, true)}), QVariantList{record(url, 60, true)});

    plugin->preferences().setUseTTL(true);
    // The first record of the feed already has the interval: passed over; the
    // next one of the same feed changes; the one after it is left alone.
    EXPECT_EQ(afterUpdate({record(other, 60, true), record(url, 15, true), record(url, 60.5, false),
                           record(url, 30, true)}),
              (QVariantList{record(other, 60, true), record(url, 15, true), record(url, 15, false),
                            record(url, 30, true)}));
    // The settings hold the working list: they follow on the main thread.
    const auto stored = [&] {
        return server.settings.value(QStringLiteral("feeds")).toList().value(2).toMap();
    };
    EXPECT_TRUE(waitUntil([&] { return stored().value(QStringLiteral("interval")) == 15; }));

    // A ttl under a minute is no interval: stored, it would fetch every minute for good.
    for (const QByteArray ttl : {"0", "-5", "soon", "0.5"}) {
        SCOPED_TRACE(ttl.toStdString());
        const QString odd =
            writeFeed(rss("<title>D</title><ttl>" + ttl + "</ttl><item><title>x</title></item>"),
                      QStringLiteral("odd.xml"));
        setFeeds({record(odd, 60, true)});
        runUpdate(odd);
        EXPECT_EQ(store().records(), QVariantList{record(odd, 60, true)});
    }
}

TEST_F(SignBuilderTest, ChannelImageFillsTheTickerHeight) {
    server.size = PNSize{1280, 24.9f};
    writeImage(100, 50);
    const QString url =
        writeFeed(rss("<title>Desk</title><image><url>logo.png</url><link>http://desk.example/</link>"
                      "</image><item><title>x</title></item>"));
    runUpdate(url);
    ASSERT_EQ(signs().size(), 2);
    const PNSignRef image = signs()[0];
    ASSERT_FALSE(image->isText());
    EXPECT_EQ(image->size().width, 48.0f);
    EXPECT_EQ(image->size().height, 24.0f);
    // Kept at no more than twice the height it is shown at (sharp on a dense
    // screen): a huge logo does not stay decoded at full size.
    EXPECT_EQ(image->image().size(), QSize(96, 48));
    EXPECT_EQ(image->actionType(), PNPennantActionTypeURL);
    EXPECT_EQ(image->actionString(), QStringLiteral("http://desk.example/"));
    EXPECT_EQ(image->loopCount(), PNEndlessLoopCount);
    EXPECT_EQ(server.calls()[0].kind, RecordingServer::Call::Add);
    ASSERT_TRUE(entry(url) && entry(url)->tickers);
    EXPECT_EQ(*entry(url)->tickers, signs());
    // The next update's signs go up before the earlier ones come off, in posting
    // order, so the strip is never left empty between the two.
    const QList<PNSignRef> first = signs();
    server.clear();
    runUpdate(url);
    const QList<RecordingServer::Call> calls = server.calls();
    ASSERT_EQ(calls.size(), 4);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(calls[i].kind, RecordingServer::Call::Remove);
        EXPECT_EQ(calls[i + 2].kind, RecordingServer::Call::Remove);
        EXPECT_EQ(calls[i + 2].sign, first[i]);
    }
    EXPECT_EQ(*entry(url)->tickers, signs());

    // Without a link: no action. An absolute file URL works for a file feed too.
    // The width keeps the aspect ratio, in single precision.
    const QString absolute = writeImage(3, 7, QStringLiteral("other.png"));
    const QString second =
        writeFeed(rss("<title>D</title><image><url>" + absolute.toUtf8() + "</url></image>"),
                  QStringLiteral("second.xml"));
    server.clear();
    runUpdate(second);
    ASSERT_EQ(addedTexts(), QStringList({"<image>"}));
    const PNSignRef plain = server.calls()[0].sign;
    EXPECT_EQ(plain->actionType(), PNPennantActionTypeNone);
    EXPECT_FALSE(plain->hasActionString());
    EXPECT_EQ(plain->size().width, 24.0f * (3.0f / 7.0f));
}

TEST_F(SignBuilderTest, UnusableImageStillLeavesTheTextSigns) {
    writeFeed("not an image at all", QStringLiteral("junk.png"));
    for (const QByteArray& image : {QByteArray("junk.png"), QByteArray("missing.png"), QByteArray(""),
                                    QByteArray("ftp://127.0.0.1/logo.png")}) {
        SCOPED_TRACE(image.toStdString());
        server.clear();
        runUpdate(writeFeed(
            rss("<title>D</title><image><url>" + image + "</url></image><item><title>x</title></item>")));
        EXPECT_EQ(addedTexts(), QStringList({"x (D) "}));
        EXPECT_FALSE(plugin->feedUpdater().updateLock().isHeld());
    }
    EXPECT_EQ(recorder->beeps(), 0);
}

TEST_F(SignBuilderTest, NothingToShowLeavesNoTickersList) {
    const QString url = writeFeed(rss("<title>Empty</title><description>no image, no items</description>"));
    runUpdate(url);
    EXPECT_TRUE(signs().isEmpty());
    ASSERT_TRUE(entry(url) && entry(url)->channel);
    EXPECT_FALSE(entry(url)->tickers || entry(url)->items);
    // Every item hidden: the same.
    const QString hidden = writeFeed(rss("<item><guid>a</guid></item>"), QStringLiteral("hidden.xml"));
    hide(hidden, {"a"});
    runUpdate(hidden);
    EXPECT_FALSE(entry(hidden)->tickers);
}

FeedItem itemTitled(const QString& title) {
    FeedItem item;
    item.title = Field::ofText(title);
    return item;
}

TEST(SignText, ShortTitleLengthsAndSurrogatePairs) {
    const FeedItem item = itemTitled(QStringLiteral("abcdef"));
    FeedChannel channel;
    channel.title = Field::ofText(QStringLiteral("xyz"));
    EXPECT_EQ(signText(item, channel, 0).string(), QStringLiteral("... (...) "));
    EXPECT_EQ(signText(item, channel, 2).string(), QStringLiteral("... (...) "));
    EXPECT_EQ(signText(item, channel, 3).string(), QStringLiteral("... (xyz) "));
    EXPECT_EQ(signText(item, channel, -1).string(), QStringLiteral("abcdef (xyz) "));
    // "ab" then a character outside the BMP: a cut after three units would split it.
    const FeedItem emoji = itemTitled(QStringLiteral("ab\U0001F4F0cde"));
    EXPECT_EQ(signText(emoji, channel, 6).string(), QStringLiteral("ab... (xyz) "));
    EXPECT_EQ(itemActionString(12, QStringLiteral("http://a.example/f?x=1,2")),
              QStringLiteral("12,http://a.example/f?x=1,2"));
}

// The channel part is the channel title's text: an attributed title shows its
// text, one without any none.
TEST(SignText, ChannelPartIsTheTextOfTheChannelsTitle) {
    const FeedItem item = itemTitled(QStringLiteral("Item"));
    FeedChannel attributedTitle;
    attributedTitle.title =
        Field{QStringLiteral("City  Desk"), {{QStringLiteral("lang"), QStringLiteral("en")}}};
    EXPECT_EQ(signText(item, attributedTitle, -1).string(), QStringLiteral("Item (City  Desk) "));
    EXPECT_EQ(signToolTip(item, attributedTitle), QStringLiteral("Item\nCity Desk"));
    FeedChannel textless;
    textless.title = Field{QString(), {{QStringLiteral("lang"), QStringLiteral("en")}}};
    EXPECT_EQ(signText(item, textless, -1).string(), QStringLiteral("Item () "));
    EXPECT_EQ(signToolTip(item, textless), QStringLiteral("Item"));
    // The channel image's sign has no item part: its tip is the title alone.
    EXPECT_EQ(signToolTip(FeedItem(), attributedTitle), QStringLiteral("City Desk"));
}
