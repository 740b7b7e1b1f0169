// The format reader's bounds: what it stops taking, and when.
#include "feeds/FeedFormatReader.h"
#include "platform/HtmlText.h"
#include "tests/feeds/FeedTestSupport.h"

namespace {

const QUrl kURL(QStringLiteral("https://site.example/blog/"));

// Feeds piece after piece while the reader wants more; returns the bytes taken.
qsizetype feedWhileWanted(FeedFormatReader& reader, const QByteArray& head, const QByteArray& piece,
                          qsizetype total) {
    qsizetype fed = head.size();
    if (!reader.parseChunk(head.constData(), std::size_t(head.size()))) return fed;
    while (fed < total) {
        fed += piece.size();
        if (!reader.parseChunk(piece.constData(), std::size_t(piece.size()))) break;
    }
    return fed;
}

} // namespace

TEST(FormatReader, StopsTakingAPageOnceItsHeadHasCome) {
    FeedFormatReader reader(kURL);
    const QByteArray head = "<!DOCTYPE html><html><head><meta charset=utf-8>"
                            "<link rel=alternate type=application/rss+xml href=feed.xml></he";
    EXPECT_TRUE(reader.parseChunk(head.constData(), std::size_t(head.size())));
    EXPECT_FALSE(reader.parseChunk("ad><body>", 9)) << "the end tag split between two pieces is seen";
    const FeedFormatReader::Outcome outcome = reader.finish();
    EXPECT_EQ(outcome.kind, FeedFormatReader::Outcome::WebPage);
    EXPECT_EQ(outcome.namedFeed, QUrl(QStringLiteral("https://site.example/blog/feed.xml")));

    // A head that never ends is read as far as its first mebibyte.
    FeedFormatReader endless(kURL);
    const qsizetype fed = feedWhileWanted(
        endless, "<html><head><link rel=\"alternate\" type=\"application/atom+xml\" href=\"/a.xml\">",
        QByteArray(4096, 'x'), qsizetype(64) << 20);
    EXPECT_LT(fed, qsizetype(2) << 20);
    EXPECT_EQ(endless.finish().namedFeed, QUrl(QStringLiteral("https://site.example/a.xml")));
}

TEST(FormatReader, StopsTakingADocumentThatIsNoFeed) {
    FeedFormatReader reader(kURL);
    const qsizetype fed = feedWhileWanted(reader, "<?xml version=\"1.0\"?><svg><g>", QByteArray(4096, ' '),
                                          qsizetype(16) << 20);
    EXPECT_LT(fed, 10000);
    const FeedFormatReader::Outcome outcome = reader.finish();
    EXPECT_EQ(outcome.kind, FeedFormatReader::Outcome::NotAFeed);
    EXPECT_EQ(outcome.reason, QStringLiteral("its root element is <svg>"));
}

TEST(FormatReader, JsonDocumentsKeepTheFetchBoundAndQtsNestingLimit) {
    FeedFormatReader large(kURL);
    const QByteArray head = "{\"version\":\"https://jsonfeed.org/version/1.1\",\"title\":\"";
    const qsizetype fed = feedWhileWanted(large, head, QByteArray(1 << 16, 'a'), qsizetype(64) << 20);
    EXPECT_LE(fed, (qsizetype(16) << 20) + (1 << 16));
    FeedFormatReader::Outcome outcome = large.finish();
    EXPECT_EQ(outcome.kind, FeedFormatReader::Outcome::ParseError);
    EXPECT_TRUE(outcome.reason.startsWith(QStringLiteral("larger than"))) << outcome.reason.toStdString();

    FeedFormatReader deep(kURL);
    const QByteArray nested =
        "{\"version\":\"https://jsonfeed.org/version/1.1\",\"items\":" + QByteArray(100000, '[') +
        QByteArray(100000, ']') + "}";
    deep.parseChunk(nested.constData(), std::size_t(nested.size()));
    EXPECT_EQ(deep.finish().kind, FeedFormatReader::Outcome::ParseError);

    // Many items are read, each a plain dictionary.
    QByteArray many = "{\"version\":\"https://jsonfeed.org/version/1\",\"items\":[";
    for (int i = 0; i < 20000; ++i)
        many += "{\"id\":\"" + QByteArray::number(i) + "\",\"title\":\"t\"},";
    many.chop(1);
    many += "]}";
    FeedFormatReader reader(kURL);
    reader.parseChunk(many.constData(), std::size_t(many.size()));
    outcome = reader.finish();
    ASSERT_EQ(outcome.kind, FeedFormatReader::Outcome::Feed);
    EXPECT_EQ(outcome.feed.items->size(), 20000);
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
