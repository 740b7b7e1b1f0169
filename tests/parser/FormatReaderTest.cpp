// The format reader's bounds: what it stops taking, and when.
#include "parser/FeedDocumentParser.h"
#include "parser/HtmlText.h"
#include "tests/parser/ParserTestSupport.h"

namespace {

const QUrl kURL(QStringLiteral("https://site.example/blog/"));

} // namespace

TEST(FormatReader, StopsTakingAPageOnceItsHeadHasCome) {
    FeedDocumentParser reader(kURL);
    const QByteArray head = "<!DOCTYPE html><html><head><meta charset=utf-8>"
                            "<link rel=alternate type=application/rss+xml href=feed.xml></he";
    EXPECT_TRUE(reader.parseChunk(head.constData(), std::size_t(head.size())));
    EXPECT_FALSE(reader.parseChunk("ad><body>", 9)) << "the end tag split between two pieces is seen";
    EXPECT_EQ(reader.finish(), FeedDocumentParser::Outcome::WebPage);
    EXPECT_EQ(reader.namedFeed(), QUrl(QStringLiteral("https://site.example/blog/feed.xml")));

    // A head that never ends is read as far as its first mebibyte.
    FeedDocumentParser endless(kURL);
    const qsizetype fed = feedStream(
        endless, "<html><head><link rel=\"alternate\" type=\"application/atom+xml\" href=\"/a.xml\">",
        QByteArray(4096, 'x'), qsizetype(64) << 20);
    EXPECT_LT(fed, qsizetype(2) << 20);
    EXPECT_EQ(endless.finish(), FeedDocumentParser::Outcome::WebPage);
    EXPECT_EQ(endless.namedFeed(), QUrl(QStringLiteral("https://site.example/a.xml")));
}

TEST(FormatReader, StopsTakingADocumentThatIsNoFeed) {
    FeedDocumentParser reader(kURL);
    const qsizetype fed =
        feedStream(reader, "<?xml version=\"1.0\"?><svg><g>", QByteArray(4096, ' '), qsizetype(16) << 20);
    EXPECT_LT(fed, 10000);
    EXPECT_EQ(reader.finish(), FeedDocumentParser::Outcome::NotAFeed);
    EXPECT_EQ(reader.error(), QStringLiteral("the root element is <svg>"));
}

TEST(FormatReader, JsonDocumentsKeepTheFetchBoundAndQtsNestingLimit) {
    FeedDocumentParser large(kURL);
    const QByteArray head = "{\"version\":\"https://jsonfeed.org/version/1.1\",\"title\":\"";
    const qsizetype fed = feedStream(large, head, QByteArray(1 << 16, 'a'), qsizetype(64) << 20);
    EXPECT_LE(fed, (qsizetype(16) << 20) + (1 << 16));
    EXPECT_EQ(large.finish(), FeedDocumentParser::Outcome::ParseError);
    EXPECT_TRUE(large.error().startsWith(QStringLiteral("larger than"))) << large.error().toStdString();

    FeedDocumentParser deep(kURL);
    const QByteArray nested =
        "{\"version\":\"https://jsonfeed.org/version/1.1\",\"items\":" + QByteArray(100000, '[') +
        QByteArray(100000, ']') + "}";
    deep.parseChunk(nested.constData(), std::size_t(nested.size()));
    EXPECT_EQ(deep.finish(), FeedDocumentParser::Outcome::ParseError);

    // Many items are read, each a plain dictionary.
    QByteArray many = "{\"version\":\"https://jsonfeed.org/version/1\",\"items\":[";
    for (int i = 0; i < 20000; ++i)
        many += "{\"id\":\"" + QByteArray::number(i) + "\",\"title\":\"t\"},";
    many.chop(1);
    many += "]}";
    FeedDocumentParser reader(kURL);
    reader.parseChunk(many.constData(), std::size_t(many.size()));
    ASSERT_EQ(reader.finish(), FeedDocumentParser::Outcome::Feed);
    EXPECT_EQ(reader.takeFeed().items->size(), 20000);
}

TEST(HtmlText, PlainTextOfAwkwardHtml) {
    const std::pair<const char*, const char*> cases[] = {
        {"Hello <b>W</b>orld", "Hello World"},
        {"one<br>two<p>three</p>four", "one two three four"},
        {"a &amp;&lt;&gt; &eacute;&#233;&#xE9; &nosuch; & b", "a &<> ééé &nosuch; & b"},
        {"bad refs &#0; &#xD800; &#99999999;", "bad refs &#0; &#xD800; &#99999999;"},
        {"x <script>var a = '<b>';</script>y<style>b{}</style>z", "x yz"},
        {"kept <!-- a comment <b> --> text", "kept text"},
        {"a < b and c > d", "a < b and c > d"},
        {"cut <a href=\"x", "cut"},
        {"  \n spaced \t out \n ", "spaced out"},
    };
    for (const auto& [html, text] : cases)
        EXPECT_EQ(platform::plainTextOfHtml(QString::fromUtf8(html)), QString::fromUtf8(text)) << html;
    EXPECT_EQ(platform::htmlOfPlainText(QStringLiteral("a < b\n\"c\"")),
              QStringLiteral("a &lt; b<br>&quot;c&quot;"));
}
