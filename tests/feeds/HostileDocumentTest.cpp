// Documents written to hurt the reader, bounded where the parser enforces it:
// nothing outside the document is read, no document costs more than the parser's
// limits, and a hostile document leaves the next update of a good feed working.
#include "feeds/RssHandlers.h"
#include "tests/feeds/FeedTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Counts what the parser hands on, without keeping it.
struct CountingDelegate : platform::XmlEventDelegate {
    std::size_t textChars = 0;
    int depth = 0;
    int maxDepth = 0;
    bool ended = false;
    QString error;
    void didStartElement(const QString&, const QVariantMap&) override {
        maxDepth = std::max(maxDepth, ++depth);
    }
    void foundCharacters(QStringView text) override { textChars += std::size_t(text.size()); }
    void foundIgnorableWhitespace(QStringView) override {}
    void didEndElement(const QString&) override { --depth; }
    void parseErrorOccurred(const QString& description) override { error = description; }
    void parserDidEndDocument() override { ended = true; }
};

// Feeds a generated stream in pieces until the parser stops or the stream ends;
// returns the bytes fed.
std::size_t feedStream(platform::XmlEventParser& parser, const QByteArray& head, const QByteArray& piece,
                       std::size_t total) {
    parser.parseChunk(head.constData(), std::size_t(head.size()));
    std::size_t fed = std::size_t(head.size());
    while (fed < total && !parser.failed()) {
        parser.parseChunk(piece.constData(), std::size_t(piece.size()));
        fed += std::size_t(piece.size());
    }
    return fed;
}

// The references go into a title, or into an attribute when inAttribute.
QByteArray billionLaughs(bool inAttribute = false) {
    QByteArray dtd = "<!DOCTYPE rss [\n<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 10; ++i)
        dtd += QStringLiteral("<!ENTITY lol%1 \"%2\">\n")
                   .arg(i)
                   .arg(QStringLiteral("&lol%1;").arg(i - 1).repeated(10))
                   .toUtf8();
    const QByteArray body =
        inAttribute ? "<item><enclosure url=\"&lol10;\"/></item>" : "<title>&lol10;</title>";
    return "<?xml version=\"1.0\"?>\n" + dtd + "]>\n<rss><channel>" + body + "</channel></rss>\n";
}

QByteArray toUtf16WithMark(const QByteArray& utf8) {
    QByteArray out("\xFF\xFE", 2);
    const QString text = QString::fromUtf8(utf8).replace(
        QStringLiteral("version=\"1.0\""), QStringLiteral("version=\"1.0\" encoding=\"UTF-16\""));
    out.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return out;
}

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
            platform::XmlEventParser parser(handlers);
            parser.parse(document);
            return handlers.feedDictionary();
        });
        if (parse.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            // Someone opened the pipe: let it go, and fail.
            const int writer = open(pipe.constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) close(writer);
            FAIL() << "the parser opened the local file";
        }
        const FeedDictionary feed = parse.get();
        if (feed.channel) {
            EXPECT_EQ(feed.channel->value(QStringLiteral("title")).toString().remove(u'a').remove(u'b'),
                      QString());
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
    const std::size_t defaultBound = platform::XmlParseLimits().maxTextBytes;
    const std::pair<QByteArray, std::size_t> cases[] = {{billionLaughs(), defaultBound},
                                                        {toUtf16WithMark(billionLaughs()), defaultBound},
                                                        {billionLaughs(true), defaultBound},
                                                        {kilobytes, 1 << 20},
                                                        {kilobytesInAttribute, 1 << 20}};
    for (const auto& [document, bound] : cases) {
        platform::XmlParseLimits limits;
        limits.maxTextBytes = bound;
        CountingDelegate delegate;
        platform::XmlEventParser parser(delegate, limits);
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
        platform::XmlEventParser parser(handlers);
        const std::size_t fed = feedStream(parser, c.head, c.piece, c.total);
        EXPECT_TRUE(parser.failed());
        EXPECT_LE(fed, platform::XmlParseLimits().maxDocumentBytes + std::size_t(c.piece.size()));
        EXPECT_TRUE(parser.errorDescription().contains(QLatin1String(c.error)))
            << parser.errorDescription().toStdString();
        EXPECT_FALSE(parser.finish());
        EXPECT_FALSE(ended);
        EXPECT_LE(handlers.stack.size(), 260);
        const FeedDictionary feed = handlers.feedDictionary(); // every item, still sound
        EXPECT_LE(feed.items ? feed.items->size() : 0, 260);
    }
}

QByteArray manyAttributes(int count, const char* name = "a") {
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += ' ' + QByteArray(name) + QByteArray::number(i) + "=\"\"";
    return out;
}

// Parses in pieces of the given size; the dictionary and the error it left.
std::pair<FeedDictionary, QString> parsedInPieces(const QByteArray& document, qsizetype piece) {
    RssHandlers handlers;
    platform::XmlEventParser parser(handlers);
    for (qsizetype at = 0; at < document.size() && !parser.failed(); at += piece)
        parser.parseChunk(document.constData() + at, std::size_t(std::min(piece, document.size() - at)));
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
                EXPECT_EQ(feed.channel->value(QStringLiteral("title")), QStringLiteral("kept"));
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
        EXPECT_EQ(feed.items->value(0).toMap().value(QStringLiteral("title")), QString::fromLatin1(fake));
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
        EXPECT_FALSE(platform::XmlEventParser(handlers).parse(garbage));
        handlers.feedDictionary();
    }
    RssHandlers handlers;
    platform::XmlEventParser parser(handlers);
    EXPECT_FALSE(parser.parse(rss("<title>kept</title><item><title>bad \xC3\x28 \xFF\xFE</title></item>")));
    EXPECT_TRUE(parser.errorDescription().contains(QStringLiteral("UTF-8")))
        << parser.errorDescription().toStdString();
    ASSERT_TRUE(handlers.feedDictionary().channel);
    EXPECT_EQ(handlers.feedDictionary().channel->value(QStringLiteral("title")), QStringLiteral("kept"));
}

// Through a whole update: one log line, no signs, the lock free, and the next
// update of a good feed at the same address works as before.
TEST_F(FeedTest, HostileDocumentLeavesTheLockFreeAndTheNextGoodUpdateWorks) {
    const std::pair<const char*, QByteArray> documents[] = {
        {"billion laughs", billionLaughs()},
        {"billion laughs in UTF-16", toUtf16WithMark(billionLaughs())},
        {"deep", "<rss><channel>" + QByteArray("<item>").repeated(100'000)},
        {"garbage", QByteArray("\x00\x01\xFF\xFE<<>>&&;;\x80\x81", 14).repeated(1000)},
        {"invalid UTF-8", rss("<item><title>\xC0\xAF</title></item>")},
        {"huge text", rss("<title>" + QByteArray(20 << 20, 'A') + "</title>")},
        {"800,000 attributes", rss("<item><e" + manyAttributes(800'000) + "/></item>")},
        {"500,000 namespaces", rss("<item><e" + manyAttributes(500'000, "xmlns:p") + "/></item>")}};
    for (const auto& [name, hostile] : documents) {
        SCOPED_TRACE(name);
        const QString url = writeFeed(hostile);
        const QStringList lines = runFailedUpdate(url);
        EXPECT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
        expectNextGoodUpdateWorks(url, [&] { writeFeed(kGoodFeed); });
    }
}

// A local address is read only when it names a regular file: a pipe would block
// the update (and with it every later one, and quitting) for good, and a device
// or a /proc file never ends or changes as it is read.
TEST_F(FeedTest, LocalAddressesThatAreNoRegularFileFailAtOnce) {
    const QString pipe = dir.filePath(QStringLiteral("pipe.xml"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.xml")));
    ASSERT_TRUE(QFile::link(pipe, dir.filePath(QStringLiteral("link.xml"))));
    plugin->feedUpdater().fetchLimits().maxBytes = 1024;
    const QString tooLarge = writeFeed(rss(QByteArray(2048, ' ')), QStringLiteral("large.xml"));
    const std::pair<QString, const char*> cases[] = {
        {QUrl::fromLocalFile(pipe).toString(), "not a regular file"},
        {QUrl::fromLocalFile(dir.filePath(QStringLiteral("link.xml"))).toString(), "not a regular file"},
        {QUrl::fromLocalFile(dir.filePath(QStringLiteral("folder.xml"))).toString(), "not a regular file"},
        {QStringLiteral("file:///dev/zero"), "not a regular file"},
        {QStringLiteral("file:///proc/self/status"), "not a regular file"},
        {tooLarge, "larger than 1024 bytes"},
    };
    for (const auto& [url, reason] : cases) {
        SCOPED_TRACE(url.toStdString());
        auto update = std::async(std::launch::async, [&] { return runFailedUpdate(url); });
        if (update.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            const int writer = open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) close(writer);
            FAIL() << "the update waited on the file";
        }
        const QStringList lines = update.get();
        EXPECT_EQ(lines, QStringList{QStringLiteral("cannot fetch %1: %2").arg(url, QLatin1String(reason))});
        EXPECT_EQ(recorder->beeps(), 1);
    }
    expectNextGoodUpdateWorks(tooLarge, [&] { writeFeed(kGoodFeed, QStringLiteral("large.xml")); });
}
