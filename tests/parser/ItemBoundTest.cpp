// A feed keeps its first items: documents of millions of tiny items are read
// over without being kept, whichever format carries them.
#include "parser/FeedDiscovery.h"
#include "parser/FeedDocumentParser.h"
#include "parser/JsonItemBound.h"
#include "tests/parser/ParserTestSupport.h"

namespace {

const QUrl kURL(QStringLiteral("https://site.example/feed"));

ParsedFeed readWhole(const QByteArray& document) {
    FeedDocumentParser reader(kURL);
    parseInPieces(reader, document, 64 * 1024);
    EXPECT_EQ(reader.finish(), FeedDocumentParser::Outcome::Feed) << reader.error().toStdString();
    return reader.takeFeed();
}

QString itemText(const ParsedFeed& feed, qsizetype index, const char* key) {
    const Field* field = feed.items->at(index).field(QString::fromLatin1(key));
    return field ? field->text : QString();
}

} // namespace

// Past the bound nothing of an item lands anywhere: not its text, not its
// categories (which would go to the last kept item), not its links.
TEST(ItemBound, EveryFormatKeepsTheFirstItemsAndCountsTheRest) {
    const qsizetype extra = 3;
    QByteArray rssItems;
    QByteArray atomEntries;
    QByteArray jsonItems;
    for (qsizetype i = 0; i < kMaxItemsPerFeed + extra; ++i) {
        const QByteArray n = QByteArray::number(i);
        rssItems += "<item><title>t" + n + "</title><category>c" + n + "</category></item>";
        atomEntries += "<entry><title>t" + n + "</title><category term=\"c" + n + "\"/><link href=\"/" + n +
                       "\"/></entry>";
        jsonItems += "{\"id\":" + n + ",\"title\":\"t" + n + "\",\"tags\":[\"c" + n + "\"]},";
    }
    jsonItems.chop(1);
    const QByteArray atom =
        "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\"><title>A</title>" + atomEntries +
        "<subtitle>after</subtitle></feed>";
    // The members after the items are still read; the key may be written escaped.
    const QByteArray json = "{\"version\":\"https://jsonfeed.org/version/1.1\",\"\\u0069tems\":[" +
                            jsonItems + "],\"title\":\"J\"}";
    for (const auto& [name, document] :
         {std::pair{"rss", rss("<title>R</title>" + rssItems)}, {"atom", atom}, {"json", json}}) {
        SCOPED_TRACE(name);
        const ParsedFeed feed = readWhole(document);
        ASSERT_TRUE(feed.items);
        ASSERT_EQ(feed.items->size(), kMaxItemsPerFeed);
        EXPECT_EQ(feed.itemsLeftOut, extra);
        const qsizetype last = kMaxItemsPerFeed - 1;
        EXPECT_EQ(itemText(feed, last, "title"), QStringLiteral("t%1").arg(last));
        EXPECT_EQ(feed.items->at(last).categories,
                  Categories{Field::ofText(QStringLiteral("c%1").arg(last))});
        if (QLatin1String(name) == QLatin1String("atom")) {
            EXPECT_EQ(itemText(feed, last, "link"), QStringLiteral("https://site.example/%1").arg(last));
            EXPECT_EQ(feed.channel->description.text, QStringLiteral("after"));
        }
        if (QLatin1String(name) == QLatin1String("json")) {
            EXPECT_EQ(feed.channel->title.text, QStringLiteral("J"));
        }
    }

    // At the bound exactly, nothing is left out.
    const ParsedFeed full = readWhole(rss(QByteArray("<item/>").repeated(kMaxItemsPerFeed)));
    EXPECT_EQ(full.items->size(), kMaxItemsPerFeed);
    EXPECT_EQ(full.itemsLeftOut, 0);
}

TEST(ItemBound, JsonScanCutsOnlyTheTopLevelItemsAndKeepsTheDocumentWhole) {
    // Brackets and commas inside texts are not structure; nested "items" are
    // not the feed's.
    const QByteArray document =
        R"({"a":"],[\"","x":{"items":[1,2,3]},"items":[{"s":"[,]"},{"t":[1,2]},7,8],"z":[]})";
    const JsonItemBound bound = boundJsonItems(document, 2, 100);
    EXPECT_EQ(bound.itemsLeftOut, 2);
    EXPECT_EQ(bound.document,
              R"({"a":"],[\"","x":{"items":[1,2,3]},"items":[{"s":"[,]"},{"t":[1,2]}],"z":[]})");
    EXPECT_EQ(bound.containers, 8);
    EXPECT_FALSE(bound.tooManyContainers);

    const JsonItemBound none = boundJsonItems(R"({"items":[1,2]})", 0, 100);
    EXPECT_EQ(none.document, R"({"items":[]})");
    EXPECT_EQ(none.itemsLeftOut, 2);

    // An array that never closes loses its tail; the reader still says the
    // document is broken.
    const JsonItemBound open = boundJsonItems(R"({"items":[1,2,3)", 1, 100);
    EXPECT_EQ(open.document, R"({"items":[1)");
    FeedDocumentParser reader(kURL);
    const QByteArray broken = "{\"version\":\"https://jsonfeed.org/version/1\",\"items\":[" +
                              QByteArray("{\"id\":1},").repeated(kMaxItemsPerFeed + 5);
    reader.parseChunk(broken.constData(), std::size_t(broken.size()));
    EXPECT_EQ(reader.finish(), FeedDocumentParser::Outcome::ParseError);
}

// Millions of empty values elsewhere than the items cost as much memory: such a
// document is refused before a tree of it is built.
TEST(ItemBound, JsonWithTooManyValuesIsRefused) {
    const QByteArray document =
        "{\"version\":\"https://jsonfeed.org/version/1.1\",\"items\":[{\"id\":1,\"tags\":[" +
        QByteArray("[],").repeated(300'000) + "[]]}]}";
    FeedDocumentParser reader(kURL);
    reader.parseChunk(document.constData(), std::size_t(document.size()));
    EXPECT_EQ(reader.finish(), FeedDocumentParser::Outcome::ParseError);
    EXPECT_EQ(reader.error(), QStringLiteral("more than 200000 JSON objects and arrays"));
}

// A page's <base> says where its relative links point, not where the page came
// from: a page from the web never names a local file, a page from a file may.
TEST(ItemBound, PageFromTheWebNeverNamesAFileWhateverItsBase) {
    const QByteArray link = "<link rel=alternate type=application/rss+xml href=";
    for (const QByteArray& page :
         {"<html><head><base href=\"file:///\">" + link + "etc/feed.xml></head>",
          "<html><head><base href=\"file:///tmp/\">" + link + "\"/etc/passwd\"></head>",
          "<html><head>" + link + "\"file:///etc/passwd\"></head>",
          "<html><head><base href=\"javascript:alert(1)//\">" + link + "x.xml></head>",
          "<html><head>" + link + "\"data:application/rss+xml,<rss/>\"></head>"}) {
        SCOPED_TRACE(page.toStdString());
        EXPECT_EQ(discoveredFeed(page, QUrl(QStringLiteral("http://127.0.0.1/page"))), std::nullopt);
        EXPECT_EQ(discoveredFeed(page, QUrl(QStringLiteral("https://site.example/"))), std::nullopt);
    }
    const QByteArray fromFile = "<html><head><base href=\"sub/\">" + link + "feed.xml></head>";
    EXPECT_EQ(discoveredFeed(fromFile, QUrl(QStringLiteral("file:///srv/page.html"))),
              QUrl(QStringLiteral("file:///srv/sub/feed.xml")));
    // A web base for a web page is followed as before.
    EXPECT_EQ(discoveredFeed("<html><head><base href=\"https://cdn.example/\">" + link + "f.xml></head>",
                             QUrl(QStringLiteral("http://127.0.0.1/page"))),
              QUrl(QStringLiteral("https://cdn.example/f.xml")));
}
