// What an update posts for a parsed feed: text and look of the text signs, hidden
// items, the channel image, and the adoption of the time-to-live.
#include "feeds/SignText.h"
#include "tests/feeds/FeedTestSupport.h"

#include <QImage>
#include <QTemporaryDir>
#include <QUrl>

namespace {

class SignBuilderTest : public FeedTest {
  protected:
    // Writes a feed file and returns its file URL.
    QString writeFeed(const QByteArray& document, const QString& name = QStringLiteral("feed.xml")) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(document);
        return QUrl::fromLocalFile(file.fileName()).toString();
    }
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

    QTemporaryDir dir;
};

QString repeated(QChar c, int n) {
    return QString(n, c);
}

} // namespace

TEST_F(SignBuilderTest, TitlesAreShortenedToTitleLength) {
    plugin->setTitleLength(30);
    const QString exact = repeated(u'a', 30);
    const QString longer = repeated(u'b', 31);
    const QString url =
        writeFeed(rss("<title>" + repeated(u'C', 40).toUtf8() + "</title><item><title>" + exact.toUtf8() +
                      "</title></item><item><title>" + longer.toUtf8() + "</title></item>"));
    runUpdate(url);
    ASSERT_EQ(signs().size(), 2);
    const QString channelPart = repeated(u'C', 27) + QStringLiteral("...");
    EXPECT_EQ(textOf(signs()[0]).string(), exact + QStringLiteral(" (") + channelPart + QStringLiteral(") "));
    const PNAttributedString second = textOf(signs()[1]);
    EXPECT_EQ(second.string(),
              repeated(u'b', 27) + QStringLiteral("... (") + channelPart + QStringLiteral(") "));
    ASSERT_EQ(second.runs().size(), 2);
    EXPECT_EQ(second.runs()[0].length, 30); // the divider
    EXPECT_EQ(second.runs()[0].font, PNAttributedString::Font::Standard);
    EXPECT_EQ(second.runs()[1].font, PNAttributedString::Font::Small);
    EXPECT_EQ(second.runs()[1].start + second.runs()[1].length, second.length());
}

TEST_F(SignBuilderTest, ItemPartFallsBackToDescriptionThenEmpty) {
    const QString url =
        writeFeed(rss("<title>Desk</title>"
                      "<item><description>Only a description</description></item>"
                      "<item><title></title><description>Empty title element</description></item>"
                      "<item><link>http://a.example/</link></item>"
                      "<item><title x=\"1\">attributed</title></item>"));
    runUpdate(url);
    QStringList texts;
    for (const PNSignRef& sign : signs())
        texts.append(textOf(sign).string());
    EXPECT_EQ(texts, QStringList({"Only a description (Desk) ", "Empty title element (Desk) ", " (Desk) ",
                                  "attributed (Desk) "}));
}

TEST_F(SignBuilderTest, LinkedItemsAreBlueAndUnderlinedOverTheItemPartOnly) {
    const QString url =
        writeFeed(rss("<title>Desk</title><item><title>Linked</title><link>http://a.example/1</link>"
                      "</item><item><title>Plain</title></item>"));
    runUpdate(url);
    ASSERT_EQ(signs().size(), 2);
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

TEST_F(SignBuilderTest, HiddenItemsGetNoSignButKeepTheirIndex) {
    const QByteArray document = rss("<title>Desk</title>"
                                    "<item><title>zero</title><guid>g0</guid></item>"
                                    "<item><title>one</title><guid>g1</guid></item>"
                                    "<item><title>two</title><guid isPermaLink=\"false\">g2</guid></item>"
                                    "<item><title>three</title></item>");
    const QString url = writeFeed(document);
    {
        std::lock_guard guard(plugin->dataMutex);
        plugin->ignored.insert(url, QVariantList{QStringLiteral("g1"), QStringLiteral("g3")});
        plugin->ignored.insert(QStringLiteral("file:///other.xml"), QVariantList{QStringLiteral("g0")});
    }
    runUpdate(url);
    QStringList actions;
    for (const PNSignRef& sign : signs())
        actions.append(sign->actionString());
    EXPECT_EQ(actions, QStringList({"0," + url, "2," + url, "3," + url}));

    // A guid written with attributes is hidden by its text.
    {
        std::lock_guard guard(plugin->dataMutex);
        plugin->ignored.insert(url, QVariantList{QStringLiteral("g2")});
    }
    runUpdate(url);
    actions.clear();
    for (const PNSignRef& sign : signs())
        actions.append(sign->actionString().section(u',', 0, 0));
    EXPECT_EQ(actions, QStringList({"0", "1", "3"}));
}

TEST_F(SignBuilderTest, TimeToLiveIsAdoptedOnlyWhenWanted) {
    const QString url =
        writeFeed(rss("<title>Desk</title><ttl> 15 minutes</ttl><item><title>x</title></item>"));
    const QString other = QStringLiteral("http://other.example/feed.xml");
    auto afterUpdate = [&](const QVariantList& records) {
        {
            std::lock_guard guard(plugin->dataMutex);
            plugin->feeds = records;
        }
        plugin->storeFeeds();
        runUpdate(url);
        std::lock_guard guard(plugin->dataMutex);
        return plugin->feeds;
    };
    plugin->setUseTTL(false);
    EXPECT_EQ(afterUpdate({record(url, 60, true)}), QVariantList{record(url, 60, true)});

    plugin->setUseTTL(true);
    // The first record of the feed already has the interval: passed over; the
    // next one of the same feed changes; the one after it is left alone.
    EXPECT_EQ(afterUpdate({record(other, 60, true), record(url, 15, true), record(url, 60.5, false),
                           record(url, 30, true)}),
              (QVariantList{record(other, 60, true), record(url, 15, true), record(url, 15, false),
                            record(url, 30, true)}));
    // The settings hold the working list: they follow on the main thread.
    EXPECT_TRUE(waitUntil([&] {
        return server.settings.value(QStringLiteral("feeds"))
                   .toList()
                   .value(2)
                   .toMap()
                   .value(QStringLiteral("interval")) == 15;
    }));
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
    EXPECT_EQ(image->image().size(), QSize(100, 50)); // scaled when shown, not here
    EXPECT_EQ(image->actionType(), PNPennantActionTypeURL);
    EXPECT_EQ(image->actionString(), QStringLiteral("http://desk.example/"));
    EXPECT_EQ(image->loopCount(), PNEndlessLoopCount);
    EXPECT_EQ(server.calls()[0].kind, RecordingServer::Call::Add);
    std::optional<FeedDictionary> feed = entry(url);
    ASSERT_TRUE(feed && feed->tickers);
    EXPECT_EQ(*feed->tickers, signs());

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
    QFile junk(dir.filePath(QStringLiteral("junk.png")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an image at all");
    junk.close();
    for (const QByteArray& image : {QByteArray("junk.png"), QByteArray("missing.png"), QByteArray(""),
                                    QByteArray("ftp://127.0.0.1/logo.png")}) {
        SCOPED_TRACE(image.toStdString());
        server.clear();
        runUpdate(writeFeed(
            rss("<title>D</title><image><url>" + image + "</url></image><item><title>x</title></item>")));
        EXPECT_EQ(addedTexts(), QStringList({"x (D) "}));
        EXPECT_FALSE(plugin->threadLock.isHeld());
    }
    EXPECT_EQ(recorder->beeps(), 0);
}

TEST_F(SignBuilderTest, NothingToShowLeavesNoTickersList) {
    const QString url = writeFeed(rss("<title>Empty</title><description>no image, no items</description>"));
    runUpdate(url);
    EXPECT_FALSE(plugin->threadLock.isHeld());
    EXPECT_TRUE(signs().isEmpty());
    const std::optional<FeedDictionary> feed = entry(url);
    ASSERT_TRUE(feed && feed->channel);
    EXPECT_FALSE(feed->tickers);
    EXPECT_FALSE(feed->items);

    // Every item hidden: the same.
    const QString hidden = writeFeed(rss("<item><guid>a</guid></item>"), QStringLiteral("hidden.xml"));
    {
        std::lock_guard guard(plugin->dataMutex);
        plugin->ignored.insert(hidden, QVariantList{QStringLiteral("a")});
    }
    runUpdate(hidden);
    EXPECT_FALSE(entry(hidden)->tickers);
}

TEST_F(SignBuilderTest, NextUpdateTakesThePreviousSignsOffInPostingOrder) {
    writeImage(10, 10);
    const QString url = writeFeed(rss("<title>D</title><image><url>logo.png</url></image>"
                                      "<item><title>a</title></item><item><title>b</title></item>"
                                      "<item><title>c</title></item>"));
    runUpdate(url);
    const QList<PNSignRef> first = signs();
    ASSERT_EQ(first.size(), 4);
    server.clear();
    runUpdate(url);
    const QList<RecordingServer::Call> calls = server.calls();
    ASSERT_EQ(calls.size(), 8);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(calls[i].kind, RecordingServer::Call::Remove);
        EXPECT_EQ(calls[i].sign, first[i]);
    }
    EXPECT_EQ(signs().size(), 4);
    EXPECT_EQ(*entry(url)->tickers, signs());
}

TEST(SignText, ShortTitleLengthsAndSurrogatePairs) {
    const QVariantMap item{{QStringLiteral("title"), QStringLiteral("abcdef")}};
    const QVariantMap channel{{QStringLiteral("title"), QStringLiteral("xyz")}};
    EXPECT_EQ(signText(item, channel, 0).string(), QStringLiteral("... (...) "));
    EXPECT_EQ(signText(item, channel, 2).string(), QStringLiteral("... (...) "));
    EXPECT_EQ(signText(item, channel, 3).string(), QStringLiteral("... (xyz) "));
    EXPECT_EQ(signText(item, channel, -1).string(), QStringLiteral("abcdef (xyz) "));
    // "ab" then a character outside the BMP: a cut after three units would split it.
    const QVariantMap emoji{{QStringLiteral("title"), QStringLiteral("ab\U0001F4F0cde")}};
    EXPECT_EQ(signText(emoji, channel, 6).string(), QStringLiteral("ab... (xyz) "));
    EXPECT_EQ(itemActionString(12, QStringLiteral("http://a.example/f?x=1,2")),
              QStringLiteral("12,http://a.example/f?x=1,2"));
}
