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

    // Many items are read, each a plain dictionary, up to the bound of a feed.
    QByteArray many = "{\"version\":\"https://jsonfeed.org/version/1\",\"items\":[";
    for (int i = 0; i < 20000; ++i)
        many += "{\"id\":\"" + QByteArray::number(i) + "\",\"title\":\"t\"},";
    many.chop(1);
    many += "]}";
    FeedDocumentParser reader(kURL);
    reader.parseChunk(many.constData(), std::size_t(many.size()));
    ASSERT_EQ(reader.finish(), FeedDocumentParser::Outcome::Feed);
    const ParsedFeed feed = reader.takeFeed();
    EXPECT_EQ(feed.items->size(), kMaxItemsPerFeed);
    EXPECT_EQ(feed.itemsLeftOut, 20000 - kMaxItemsPerFeed);
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
        EXPECT_EQ(plainTextOfHtml(QString::fromUtf8(html)), QString::fromUtf8(text)) << html;
    EXPECT_EQ(htmlOfPlainText(QStringLiteral("a < b\n\"c\"")), QStringLiteral("a &lt; b<br>&quot;c&quot;"));
}

namespace {

FeedDocumentParser::Outcome readWhole(FeedDocumentParser& reader, const QByteArray& document,
                                      qsizetype piece = 4096) {
    parseInPieces(reader, document, piece);
    return reader.finish();
}

} // namespace

// The second, recovering reading keeps every bound of the first: a document
// with a fault before what a bound refuses is refused for the bound; one that
// passes a bound first is not read again. What is no feed stays no feed.
TEST(FormatReader, RecoveryKeepsEveryBoundAndRefusesWhatIsNoFeed) {
    using Outcome = FeedDocumentParser::Outcome;
    const QByteArray fault = "<rss><channel><title>a</b></title><item><title>x</title>";
    {
        FeedDocumentParser reader(kURL);
        EXPECT_EQ(readWhole(reader, fault + QByteArray("<e>").repeated(300)), Outcome::ParseError);
        EXPECT_EQ(reader.error(), QStringLiteral("more than 256 nested elements"));
        EXPECT_TRUE(reader.repairNote().isEmpty());
        EXPECT_FALSE(reader.takeFeed().channel);
    }
    {
        XmlParseLimits limits;
        limits.maxDocumentBytes = 100'000;
        FeedDocumentParser reader(kURL, limits);
        const qsizetype fed = feedStream(reader, fault, QByteArray(4096, ' '), 1 << 20);
        EXPECT_LE(fed, 100'000 + 4096) << "the rest of a broken document is kept only within the bound";
        EXPECT_EQ(reader.finish(), Outcome::ParseError);
        EXPECT_TRUE(reader.error().startsWith(QStringLiteral("larger than"))) << reader.error().toStdString();
    }
    {
        // A bound passed on the first reading ends the document there.
        FeedDocumentParser reader(kURL);
        const QByteArray deep = "<rss><channel>" + QByteArray("<e>").repeated(300) + "</b>";
        EXPECT_FALSE(reader.parseChunk(deep.constData(), std::size_t(deep.size())));
        EXPECT_EQ(reader.finish(), Outcome::ParseError);
        EXPECT_EQ(reader.error(), QStringLiteral("more than 256 nested elements"));
    }
    {
        const QByteArray billion = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\">"
                                   "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                                   "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                                   "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
                                   "<rss><channel><title>& " +
                                   QByteArray("&d;").repeated(200) + "</title></channel></rss>";
        FeedDocumentParser reader(kURL);
        EXPECT_EQ(readWhole(reader, billion), Outcome::ParseError);
        EXPECT_TRUE(reader.error().contains(QStringLiteral("entity"), Qt::CaseInsensitive))
            << reader.error().toStdString();
    }
    for (const QByteArray& other :
         {QByteArray("<opml version=\"2.0\"><head><title>a & b</title></head></opml>"),
          QByteArray("<catalog><book>& <channel/></book>")}) {
        FeedDocumentParser reader(kURL);
        EXPECT_EQ(readWhole(reader, other), Outcome::NotAFeed) << other.constData();
    }
    {
        // Nothing readable is nothing repaired.
        FeedDocumentParser reader(kURL);
        EXPECT_EQ(readWhole(reader, "<rss><channel><ti"), Outcome::ParseError);
        EXPECT_TRUE(reader.error().endsWith(QStringLiteral("(line 1)"))) << reader.error().toStdString();
    }
}

// Undeclared encodings: what is not UTF-8 is read in the transport's charset
// when it names one, else as Windows-1252; Latin-1 by any name is Windows-1252.
TEST(FormatReader, BytesThatAreNotUtf8AreReadAsTheWebReadsThem) {
    const QByteArray undeclared = "<rss><channel><title>It\x92s \x93new\x94 caf\xe9</title></channel></rss>";
    const QString expected = QStringLiteral("It\u2019s \u201cnew\u201d caf\u00e9");
    for (const char* charset : {"", "ISO-8859-1", "us-ascii", "windows-1252"}) {
        for (const qsizetype piece : {1, 5, 4096}) {
            FeedDocumentParser reader(kURL);
            reader.setFallbackEncoding(charset);
            ASSERT_EQ(readWhole(reader, undeclared, piece), FeedDocumentParser::Outcome::Feed) << charset;
            EXPECT_EQ(reader.takeFeed().channel->title.text, expected) << charset;
            EXPECT_TRUE(reader.repairNote().isEmpty()) << "reading as Windows-1252 is the rule, not a repair";
        }
    }
    FeedDocumentParser koi(kURL);
    koi.setFallbackEncoding("KOI8-R");
    ASSERT_EQ(readWhole(koi, "<rss><channel><title>\xf0\xd2\xc9\xd7\xc5\xd4</title></channel></rss>"),
              FeedDocumentParser::Outcome::Feed);
    EXPECT_EQ(koi.takeFeed().channel->title.text, QStringLiteral("Привет"));

    // Said to be UTF-8, the valid text stays and each bad byte is U+FFFD.
    FeedDocumentParser said(kURL);
    said.setFallbackEncoding("utf-8");
    ASSERT_EQ(readWhole(said, "<rss><channel><title>caf\xc3\xa9 \xe9t\xe9</title></channel></rss>"),
              FeedDocumentParser::Outcome::Feed);
    EXPECT_EQ(said.takeFeed().channel->title.text, QStringLiteral("café \ufffdt\ufffd"));
    EXPECT_TRUE(said.repairNote().startsWith(QStringLiteral("Input is not proper UTF-8")))
        << said.repairNote().toStdString();
}
