// Documents written to hurt the reader, bounded where the parser enforces it:
// nothing outside the document is read and no document costs more than the
// parser's limits.
#include "parser/HtmlText.h"
#include "parser/RssHandlers.h"
#include "tests/parser/ParserTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <fcntl.h>
#include <future>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Counts what the parser hands on, without keeping it.
struct CountingDelegate : XmlEventDelegate {
    std::size_t textChars = 0;
    int depth = 0;
    int maxDepth = 0;
    bool ended = false;
    QString error;
    void didStartElement(const QString&, const Attributes&) override {
        maxDepth = std::max(maxDepth, ++depth);
    }
    void foundCharacters(QStringView text) override { textChars += std::size_t(text.size()); }
    void foundIgnorableWhitespace(QStringView) override {}
    void didEndElement(const QString&) override { --depth; }
    void parseErrorOccurred(const QString& description) override { error = description; }
    void parserDidEndDocument() override { ended = true; }
};

} // namespace

TEST(ParserLimits, ExternalEntitiesNamingLocalFilesAreNeverOpened) {
    // A named pipe: opening it to read blocks until a writer comes, so any attempt
    // to read it would hang the parse instead of passing unnoticed.
    QTemporaryDir dir;
    const QByteArray pipe = QFile::encodeName(dir.filePath(QStringLiteral("secret")));
    ASSERT_EQ(mkfifo(pipe.constData(), 0600), 0);
    const QByteArray documents[] = {
        "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY x SYSTEM \"file://" + pipe +
            "\">]><rss><channel><title>a&x;b</title></channel></rss>",
        "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY % p SYSTEM \"file://" + pipe +
            "\"> %p;]><rss><channel><title>ab</title></channel></rss>",
        "<?xml version=\"1.0\"?><!DOCTYPE rss SYSTEM \"" + pipe +
            "\"><rss><channel><title>ab</title></channel></rss>",
        "<?xml version=\"1.0\"?><rss xmlns:xi=\"http://www.w3.org/2001/XInclude\"><channel><title>a"
        "<xi:include href=\"" +
            pipe + "\" parse=\"text\"/>b</title></channel></rss>",
    };
    for (const QByteArray& document : documents) {
        SCOPED_TRACE(document.toStdString());
        auto parse = std::async(std::launch::async, [&] {
            RssHandlers handlers;
            XmlEventParser parser(handlers);
            parser.parse(document);
            return handlers.feedDictionary();
        });
        if (parse.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            // Someone opened the pipe: let it go, and fail.
            const int writer = open(pipe.constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) close(writer);
            FAIL() << "the parser opened the local file";
        }
        const ParsedFeed feed = parse.get();
        if (feed.channel) {
            EXPECT_EQ(QString(feed.channel->title.text).remove(u'a').remove(u'b'), QString());
        }
    }
}

TEST(ParserLimits, EntityExpansionIsStoppedWithBoundedText) {
    // A billion "lol"s would be 3 GB. Few references to a large entity stay within
    // the reference budget, but the characters they expand to are counted.
    const QByteArray kilobytes = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY k \"" +
                                 QByteArray(1024, 'x') + "\">]><rss><channel><title>" +
                                 QByteArray("&k;").repeated(4096) + "</title></channel></rss>";
    // The same in attribute values, which are expanded as text is.
    const QByteArray kilobytesInAttribute = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY k \"" +
                                            QByteArray(1024, 'x') + "\">]><rss><channel><item><a b=\"" +
                                            QByteArray("&k;").repeated(4096) + "\"/></item></channel></rss>";
    const std::size_t defaultBound = XmlParseLimits().maxTextBytes;
    const std::pair<QByteArray, std::size_t> cases[] = {{billionLaughs(), defaultBound},
                                                        {toUtf16WithMark(billionLaughs()), defaultBound},
                                                        {billionLaughs(true), defaultBound},
                                                        {kilobytes, 1 << 20},
                                                        {kilobytesInAttribute, 1 << 20}};
    for (const auto& [document, bound] : cases) {
        XmlParseLimits limits;
        limits.maxTextBytes = bound;
        CountingDelegate delegate;
        XmlEventParser parser(delegate, limits);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(parser.parse(document));
        EXPECT_FALSE(delegate.ended);
        EXPECT_FALSE(delegate.error.isEmpty());
        EXPECT_LE(delegate.textChars, bound);
        EXPECT_LT(clock.elapsed(), 30'000) << "rejected, but not quickly";
    }
}

TEST(ParserLimits, EndlessStreamsStopAtTheirBounds) {
    const struct {
        QByteArray head, piece;
        std::size_t total;
        const char* error;
    } cases[] = {
        // 200 MB of one title, generated as it is fed.
        {"<?xml version=\"1.0\"?><rss><channel><title>", QByteArray(1 << 16, 'A'), std::size_t(200) << 20,
         "larger than"},
        {"<rss><channel>", QByteArray("<a>").repeated(1000), 300'000, "nested elements"},
        {"<rss><channel>", QByteArray("<item>").repeated(1000), 600'000, "nested elements"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.piece.left(8).toStdString());
        RssHandlers handlers;
        bool ended = false;
        handlers.documentDidEnd = [&] { ended = true; };
        XmlEventParser parser(handlers);
        const std::size_t fed = std::size_t(feedStream(parser, c.head, c.piece, qsizetype(c.total)));
        EXPECT_TRUE(parser.failed());
        EXPECT_LE(fed, XmlParseLimits().maxDocumentBytes + std::size_t(c.piece.size()));
        EXPECT_TRUE(parser.errorDescription().contains(QLatin1String(c.error)))
            << parser.errorDescription().toStdString();
        EXPECT_FALSE(parser.finish());
        EXPECT_FALSE(ended);
        EXPECT_LE(handlers.stack.size(), 260);
        const ParsedFeed feed = handlers.feedDictionary(); // every item, still sound
        EXPECT_LE(feed.items ? feed.items->size() : 0, 260);
    }
}

// Parses in pieces of the given size; the dictionary and the error it left.
std::pair<ParsedFeed, QString> parsedInPieces(const QByteArray& document, qsizetype piece) {
    RssHandlers handlers;
    XmlEventParser parser(handlers);
    parseInPieces(parser, document, piece);
    parser.finish();
    return {handlers.feedDictionary(), parser.errorDescription()};
}

// libxml2 reads a whole start tag before it reports it and compares its
// attributes and the namespaces in scope pairwise: one tag of a few megabytes
// held it for minutes. Such a tag is refused before libxml2 sees it; what came
// before it is kept.
TEST(ParserLimits, StartTagsPastTheirBoundsAreRefusedBeforeTheParserReadsThem) {
    const QByteArray kept = "<?xml version=\"1.0\"?><rss><channel><title>kept</title>";
    QByteArray defaults = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ATTLIST e";
    for (int i = 0; i < 300; ++i)
        defaults += " d" + QByteArray::number(i) + " CDATA 'v'";
    const struct {
        const char* name;
        QByteArray document;
        const char* reason;
        bool keeps;
    } cases[] = {
        {"attributes", kept + "<item><e" + manyAttributes(800'000) + "/>", "more than 256 attributes", true},
        {"attributes in UTF-16", toUtf16WithMark(kept + "<e" + manyAttributes(300) + "/>"),
         "more than 256 attributes", true},
        {"namespaces", kept + "<e" + manyAttributes(500'000, "xmlns:p") + "/>", "namespace declarations",
         true},
        {"namespaces in scope",
         kept + "<e" + manyAttributes(100, "xmlns:p") + "><f" + manyAttributes(100, "xmlns:q") + ">",
         "more than 128 namespace declarations in scope", true},
        {"long tag", kept + "<e a=\"" + QByteArray(2 << 20, 'x') + "\">", "a start tag longer than", true},
        {"declared attributes", defaults + ">]><rss/>", "more than 256 attribute declarations", false},
        {"defaulted attributes",
         "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ATTLIST e d CDATA 'v'>]><rss><channel><title>kept</title>" +
             QByteArray("<e/>").repeated(100'001),
         "more than 100000 attributes from defaults", true},
    };
    for (const auto& c : cases) {
        for (const qsizetype piece : {qsizetype(1) << 30, qsizetype(7)}) {
            SCOPED_TRACE(std::string(c.name) + " in pieces of " + std::to_string(piece));
            const auto [feed, error] = parsedInPieces(c.document, piece);
            EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
            if (c.keeps) {
                ASSERT_TRUE(feed.channel);
                EXPECT_EQ(feed.channel->title.text, QStringLiteral("kept"));
            }
        }
    }
}

// What only looks like markup (in comments, CDATA, instructions and the document
// type's quoted values) is not counted, and namespaces leave scope with their
// element.
TEST(ParserLimits, StartTagGuardCountsOnlyRealStartTags) {
    const QByteArray fake = "<e" + manyAttributes(400, "xmlns:p") + ">";
    QByteArray siblings;
    for (int i = 0; i < 20; ++i)
        siblings +=
            "<s" + manyAttributes(100, "xmlns:p") + "><t/></s><u" + manyAttributes(100, "xmlns:q") + "/>";
    const QByteArray document = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY x '" + fake + "'><!-- " +
                                fake + " '\" -->" + "<?pi " + fake + "?>]><!-- " + fake + " --><?pi " + fake +
                                " ?><rss><channel><title>t</title><item>" + "<title><![CDATA[" + fake +
                                "]]></title><g" + manyAttributes(256) + "/>" + siblings +
                                "<description>a &lt;e" + manyAttributes(300).replace('"', '\'') +
                                "&gt;</description>" + "</item></channel></rss>";
    for (const qsizetype piece : {qsizetype(1) << 30, qsizetype(3)}) {
        SCOPED_TRACE(piece);
        const auto [feed, error] = parsedInPieces(document, piece);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_TRUE(feed.items);
        EXPECT_EQ(feed.items->value(0).title.text, QString::fromLatin1(fake));
    }
}

TEST(ParserLimits, BinaryGarbageAndInvalidUtf8FailCleanly) {
    QRandomGenerator random(8);
    for (int round = 0; round < 50; ++round) {
        QByteArray garbage(int(random.bounded(1, 4096)), Qt::Uninitialized);
        for (char& c : garbage)
            c = char(random.bounded(256));
        if (round % 2) garbage.prepend("<?xml version=\"1.0\"?><rss><channel><title>");
        RssHandlers handlers;
        EXPECT_FALSE(XmlEventParser(handlers).parse(garbage));
        handlers.feedDictionary();
    }
    RssHandlers handlers;
    XmlEventParser parser(handlers);
    EXPECT_FALSE(parser.parse(rss("<title>kept</title><item><title>bad \xC3\x28 \xFF\xFE</title></item>")));
    EXPECT_TRUE(parser.errorDescription().contains(QStringLiteral("UTF-8")))
        << parser.errorDescription().toStdString();
    ASSERT_TRUE(handlers.feedDictionary().channel);
    EXPECT_EQ(handlers.feedDictionary().channel->title.text, QStringLiteral("kept"));
}

// The look-ahead for a reference's ";" stops at the longest reference, so that
// HTML to text of a million "&" is one pass, not a million: past its window the
// text is not even read. Here the text runs on into a page that cannot be read.
TEST(HtmlText, LooksAheadForAReferenceNoFurtherThanTheLongestOne) {
    const auto page = std::size_t(sysconf(_SC_PAGESIZE));
    void* mapped = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    auto* bytes = static_cast<char*>(mapped);
    auto* readable = reinterpret_cast<char16_t*>(bytes + page) - kLongestReference;
    std::fill(readable, readable + kLongestReference, u'&');
    ASSERT_EQ(mprotect(bytes + page, page, PROT_NONE), 0);
    const QStringView text(readable, qsizetype(kLongestReference + page / 2));
    QString out;
    EXPECT_EQ(appendReferenceAt(text, 0, out), 0);
    EXPECT_TRUE(out.isEmpty());
    munmap(mapped, 2 * page);

    // What the window holds is still read.
    for (const auto& [html, plain] :
         {std::pair{"&amp;&lt;&#38;&#x26;&eacute;&", "&<&&\u00e9&"},
          std::pair{"& &amp &bogus; &#0; &#xD800;", "& &amp &bogus; &#0; &#xD800;"}})
        EXPECT_EQ(plainTextOfHtml(QString::fromUtf8(html)), QString::fromUtf8(plain)) << html;
    const QString ampersands(1'000'000, u'&');
    EXPECT_EQ(plainTextOfHtml(ampersands), ampersands);
}

// Tags end at their ">", not at one inside a quoted attribute value; a title is
// markup only where HTML's own elements are.
TEST(HtmlText, QuotedBracketsStayInTheirTagAndOnlyHtmlElementsAreMarkupInTitles) {
    EXPECT_EQ(plainTextOfHtml(u"<a title=\"x > y\" href='a>b'>link</a> after"), u"link after");
    EXPECT_EQ(plainTextOfHtml(u"<img alt=\"never closed>"), u"");
    EXPECT_EQ(plainTextOfHtml(u"it's <b title=it's>bold</b>"), u"it's bold");
    EXPECT_EQ(plainTextOfTitle(u"1930ft<sup>2</sup>"), u"1930ft2");
    EXPECT_EQ(plainTextOfTitle(u"<b>Storm</b> warning"), u"Storm warning");
    EXPECT_EQ(plainTextOfTitle(u"Fish & Chips <tonight>"), u"Fish & Chips <tonight>");
    EXPECT_EQ(plainTextOfTitle(u"x<y and a<b>c</b>"), u"x<y and ac");
    EXPECT_EQ(plainTextOfTitle(u"AT&amp;T <br> &#8212;"), u"AT&T \u2014");
}
