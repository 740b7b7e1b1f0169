// Every tests/parser/format-fixtures/NAME (.xml, .json, .html) is read by the
// format reader in small chunks, as if fetched from FIXTURE_URL, and what it
// made compared with NAME.expected.json beside it.
#include "parser/FeedDictionaryForm.h"
#include "parser/FeedDocumentParser.h"
#include "parser/ItemHeadline.h"
#include "parser/RssTitles.h"

#include "tests/parser/ParserTestSupport.h"
#include <QJsonArray>

namespace {

const QUrl kFixtureURL(QStringLiteral("https://feeds.example/dir/feed"));

QJsonObject readFixture(const QByteArray& document, int chunkSize) {
    FeedDocumentParser reader(kFixtureURL);
    parseInPieces(reader, document, chunkSize);
    using Outcome = FeedDocumentParser::Outcome;
    const Outcome outcome = reader.finish();
    static const char* const kOutcomes[] = {"feed", "parse-error", "not-a-feed", "web-page"};
    static const char* const kFormats[] = {"unknown", "rss", "atom", "json", "html", "other"};
    const ParsedFeed feed = reader.takeFeed();
    QJsonObject dump = feedDump(feed);
    EXPECT_TRUE(outcome == Outcome::Feed || dump.isEmpty()) << "only a feed has a channel or items";
    EXPECT_EQ(reader.error().isEmpty(), outcome == Outcome::Feed || outcome == Outcome::WebPage);
    dump.insert(QStringLiteral("outcome"), QLatin1String(kOutcomes[int(outcome)]));
    dump.insert(QStringLiteral("format"), QLatin1String(kFormats[int(reader.format())]));
    if (outcome == Outcome::WebPage)
        dump.insert(QStringLiteral("namedFeed"),
                    reader.namedFeed() ? reader.namedFeed()->toString() : QString());
    if (!reader.repairNote().isEmpty()) dump.insert(QStringLiteral("repaired"), reader.repairNote());
    // What each item's sign and menu headline show; empty for an item without a sign.
    if (feed.items) {
        QJsonArray headlines;
        for (const FeedItem& item : *feed.items)
            headlines.append(itemHeadline(item));
        dump.insert(QStringLiteral("headlines"), headlines);
    }
    return dump;
}

class FormatFixture : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(FormatFixture, MatchesExpectedDump) {
    const QString file = QStringLiteral("format-fixtures/") + QString::fromStdString(GetParam());
    const QByteArray document = readTestData(file);
    const QJsonObject dump = readFixture(document, 7);
    expectDumpMatchesFile(dump, file.section(u'.', 0, -2) + QStringLiteral(".expected.json"));
    // The chunking of the bytes never shows in the result.
    EXPECT_EQ(readFixture(document, 1 << 16), dump);
    EXPECT_EQ(readFixture(document, 1), dump);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FormatFixture,
                         ::testing::ValuesIn(fixtureFiles(QStringLiteral("format-fixtures"),
                                                          QStringLiteral("*"))),
                         fixtureTestName);

// RSS documents read through the format reader give what the RSS handlers alone
// give, their titles made readable: the RSS fixtures' feed dictionaries. Where
// the handlers alone stopped at a fault of the XML, the reader repairs the
// document and says so, or fails for the same reason.
TEST(FormatReader, ReadsRssFixturesAsTheRssHandlersDo) {
    int compared = 0;
    int repaired = 0;
    for (const std::string& file : fixtureFiles(QStringLiteral("fixtures"), QStringLiteral("*.xml"))) {
        const QByteArray document = readTestData(QStringLiteral("fixtures/") + QString::fromStdString(file));
        RssHandlers handlers;
        bool ended = false;
        handlers.documentDidEnd = [&] { ended = true; };
        XmlEventParser parser(handlers);
        parser.parse(document);
        FeedDocumentParser reader(kFixtureURL);
        reader.parseChunk(document.constData(), std::size_t(document.size()));
        using Outcome = FeedDocumentParser::Outcome;
        const Outcome outcome = reader.finish();
        if (reader.format() != FeedDocumentParser::Format::Rss) continue; // atom.xml and the unreadable
        ++compared;
        if (ended) {
            EXPECT_EQ(outcome, Outcome::Feed) << file;
            EXPECT_TRUE(reader.repairNote().isEmpty()) << file;
            ParsedFeed alone = handlers.feedDictionary();
            plainRssTitles(alone);
            if (file == "whitespace-and-mixed-text.xml") {
                // A description holding elements is its markup, not the text after them.
                QVariantMap channel = dictionaryOfChannel(*alone.channel);
                channel.remove(QStringLiteral("b"));
                channel.insert(QStringLiteral("description"), QStringLiteral("before <b>bold</b> after"));
                alone.channel = channelOfDictionary(channel);
            }
            EXPECT_EQ(feedDump(reader.takeFeed()), feedDump(alone)) << file;
        } else if (outcome == Outcome::Feed) {
            ++repaired;
            EXPECT_FALSE(reader.repairNote().isEmpty()) << file;
        } else {
            EXPECT_EQ(outcome, Outcome::ParseError) << file;
            EXPECT_EQ(reader.error(), parser.errorDescription()) << file;
        }
    }
    EXPECT_GT(compared, 25);
    EXPECT_GE(repaired, 2) << "the truncated and the mismatched fixtures";
}

// Every repaired-NAME.xml reads as its well-formed twin wellformed-NAME.xml, in
// any chunks, and only the repaired one carries a note.
TEST(FormatReader, RepairedDocumentsReadAsTheirWellFormedTwins) {
    int twins = 0;
    for (const std::string& file :
         fixtureFiles(QStringLiteral("format-fixtures"), QStringLiteral("repaired-*.xml"))) {
        const QString name = QString::fromStdString(file);
        const QString twin = QStringLiteral("wellformed-") + name.mid(9);
        const QByteArray broken = readTestData(QStringLiteral("format-fixtures/") + name);
        const QByteArray whole = readTestData(QStringLiteral("format-fixtures/") + twin);
        ASSERT_FALSE(whole.isEmpty()) << twin.toStdString();
        ++twins;
        const QJsonObject expected = readFixture(whole, 1 << 16);
        EXPECT_FALSE(expected.contains(QStringLiteral("repaired"))) << twin.toStdString();
        for (const int chunk : {1, 7, 1 << 16}) {
            QJsonObject dump = readFixture(broken, chunk);
            EXPECT_TRUE(dump.value(QStringLiteral("repaired")).toString().contains(QStringLiteral("(line ")))
                << file << " in chunks of " << chunk;
            dump.remove(QStringLiteral("repaired"));
            EXPECT_EQ(dump, expected) << file << " in chunks of " << chunk;
        }
    }
    EXPECT_GE(twins, 5);
}
