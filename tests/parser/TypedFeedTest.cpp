// What the RSS handlers leave in the typed channel and items, read member by
// member: where attributes go, which of two texts stays, how categories gather.
#include "parser/RssHandlers.h"
#include "tests/parser/ParserTestSupport.h"

namespace {

ParsedFeed parsedInPieces(const QByteArray& document, qsizetype piece) {
    RssHandlers handlers;
    XmlEventParser parser(handlers);
    parseInPieces(parser, document, piece);
    EXPECT_TRUE(parser.finish()) << parser.errorDescription().toStdString();
    return handlers.feedDictionary();
}

const QByteArray kDocument =
    "<rss><channel><title>C</title><title>second</title>"
    "<item><title>one</title><title>two</title>"
    "<enclosure url=\"u1\" length=\"1\"/>"
    "<guid isPermaLink=\"false\">g</guid>"
    "<source text=\"attribute\">own</source><comments text=\"only\"/>"
    "<category domain=\"d\"/><category>merged</category><category>plain</category>"
    "</item>"
    "<item><enclosure url=\"u2\">first</enclosure><enclosure>later</enclosure></item>"
    "<atom:link xmlns:atom=\"http://www.w3.org/2005/Atom\" href=\"h\" rel=\"self\"/>"
    "</channel></rss>";

} // namespace

TEST(TypedFeed, RssFieldsFollowTheGenericRule) {
    const ParsedFeed feed = parsedInPieces(kDocument, 1 << 20);
    ASSERT_TRUE(feed.channel);
    EXPECT_EQ(feed.channel->title, Field::ofText(QStringLiteral("C")))
        << "a repeated element keeps the first text";
    ASSERT_TRUE(feed.items);
    ASSERT_EQ(feed.items->size(), 2);
    const FeedItem& first = feed.items->at(0);
    EXPECT_EQ(first.title.text, QStringLiteral("one"));
    EXPECT_TRUE(first.enclosure.text.isNull());
    EXPECT_EQ(first.enclosure.attributes, (Attributes{{QStringLiteral("url"), QStringLiteral("u1")},
                                                      {QStringLiteral("length"), QStringLiteral("1")}}))
        << "attributes in the order written";
    EXPECT_EQ(first.guid.text, QStringLiteral("g"));
    EXPECT_EQ(first.guid.attribute(u"isPermaLink"), QStringLiteral("false"));
    // An attribute named "text" is the element's text until the element has one.
    EXPECT_EQ(first.source, Field::ofText(QStringLiteral("own")));
    EXPECT_EQ(first.comments, Field::ofText(QStringLiteral("only")));
    // A text after a category that had only attributes becomes that category's.
    ASSERT_TRUE(first.categories);
    ASSERT_EQ(first.categories->size(), 2);
    EXPECT_EQ(first.categories->at(0).text, QStringLiteral("merged"));
    EXPECT_EQ(first.categories->at(0).attribute(u"domain"), QStringLiteral("d"));
    EXPECT_EQ(first.categories->at(1), Field::ofText(QStringLiteral("plain")));

    const FeedItem& last = feed.items->at(1);
    // An element that carried attributes takes each text it encloses.
    EXPECT_EQ(last.enclosure.text, QStringLiteral("later"));
    EXPECT_EQ(last.enclosure.attribute(u"url"), QStringLiteral("u2"));
    // Attributes of an element of the channel met after the items go to the last item.
    const Field* link = last.field(u"atom:link");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->attribute(u"href"), QStringLiteral("h"));
    EXPECT_EQ(link->attribute(u"xmlns:atom"), QStringLiteral("http://www.w3.org/2005/Atom"));
    EXPECT_FALSE(feed.channel->field(u"atom:link"));

    // An attribute's name is one string for the whole parse, shared by every item.
    EXPECT_EQ(first.enclosure.attributes[0].name.constData(), last.enclosure.attributes[0].name.constData());
    // Items stay for as long as they are shown: an element's attributes take no
    // more room than they need, whatever the start tags before them held.
    EXPECT_EQ(first.guid.attributes.capacity(), 1);
    EXPECT_EQ(last.enclosure.attributes.capacity(), 1);

    // However the bytes come, the values are the same.
    const ParsedFeed trickled = parsedInPieces(kDocument, 1);
    EXPECT_EQ(trickled.channel, feed.channel);
    EXPECT_EQ(trickled.items, feed.items);
}

TEST(TypedFeed, AnUnfinishedItemGoesAndEarlierOnesStay) {
    RssHandlers handlers;
    XmlEventParser parser(handlers);
    parser.parseChunk(kDocument.constData(),
                      std::size_t(kDocument.indexOf("first"))); // inside the second item
    ASSERT_FALSE(parser.failed());
    ASSERT_EQ(handlers.feedDictionary().items->size(), 2);
    handlers.dropUnfinishedItem();
    const ParsedFeed feed = handlers.feedDictionary();
    ASSERT_TRUE(feed.items);
    ASSERT_EQ(feed.items->size(), 1);
    EXPECT_EQ(feed.items->at(0).title.text, QStringLiteral("one"));
    // Nothing is left open once the item went: dropping again keeps the first.
    handlers.dropUnfinishedItem();
    EXPECT_EQ(handlers.feedDictionary().items->size(), 1);
}

// Items that repeat a start tag's attributes share one list of them; an item
// that changes its own leaves the others as the document wrote them.
TEST(TypedFeed, RepeatedAttributesAreOneListAndEachItemKeepsItsOwnValues) {
    QByteArray document = "<rss><channel>";
    const QByteArray repeated = "<guid isPermaLink=\"false\">g</guid><source url=\"s\" text=\"T\"/>"
                                "<category domain=\"d&amp;e\">c</category>";
    const QByteArray longUrl(120, 'u');
    document += "<item>" + repeated + "</item>";
    document += "<item><guid isPermaLink=\"false\">g</guid><source url=\"s\" text=\"T\">own</source></item>";
    // More different lists than are remembered, and lists too long to be.
    for (int i = 0; i < 100; ++i)
        document += "<item><enclosure url=\"" + QByteArray::number(i) + "\"/><thumb url=\"" + longUrl +
                    "\" length=\"" + QByteArray::number(i) + "\"/></item>";
    document += "<item>" + repeated + "</item></channel></rss>";
    const ParsedFeed feed = parsedInPieces(document, 4096);
    ASSERT_TRUE(feed.items);
    ASSERT_EQ(feed.items->size(), 103);
    const FeedItem& first = feed.items->front();
    const FeedItem& last = feed.items->back();

    EXPECT_EQ(first.guid.attributes.constData(), feed.items->at(1).guid.attributes.constData());
    EXPECT_EQ(first.guid.attributes.constData(), last.guid.attributes.constData())
        << "a list seen early is still found after many others";
    // The first item's "text" attribute became its text and left its list; the
    // later items' lists were not changed with it.
    for (const FeedItem* item : {&first, &last}) {
        EXPECT_EQ(item->source.text, QStringLiteral("T"));
        EXPECT_EQ(item->source.attributes, (Attributes{{QStringLiteral("url"), QStringLiteral("s")}}));
        ASSERT_TRUE(item->categories);
        EXPECT_EQ(item->categories->at(0).attribute(u"domain"), QStringLiteral("d&e"));
    }
    EXPECT_EQ(feed.items->at(1).source.text, QStringLiteral("own"));
    for (int i = 0; i < 100; ++i) {
        const FeedItem& item = feed.items->at(2 + i);
        EXPECT_EQ(item.enclosure.attribute(u"url"), QString::number(i));
        const Field* thumb = item.field(u"thumb");
        ASSERT_TRUE(thumb);
        EXPECT_EQ(thumb->attribute(u"url"), QString::fromLatin1(longUrl));
        EXPECT_EQ(thumb->attribute(u"length"), QString::number(i));
    }
}
