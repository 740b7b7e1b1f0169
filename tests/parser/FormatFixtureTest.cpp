// Every tests/parser/format-fixtures/NAME (.xml, .json, .html) is read by the
// format reader in small chunks, as if fetched from FIXTURE_URL, and what it
// made compared with NAME.expected.json beside it.
#include "parser/FeedDocumentParser.h"
#include "tests/parser/ParserTestSupport.h"

namespace {

const QUrl kFixtureURL(QStringLiteral("https://feeds.example/dir/feed"));

QJsonObject readFixture(const QByteArray& document, int chunkSize) {
    FeedDocumentParser reader(kFixtureURL);
    parseInPieces(reader, document, chunkSize);
    using Outcome = FeedDocumentParser::Outcome;
    const Outcome outcome = reader.finish();
    static const char* const kOutcomes[] = {"feed", "parse-error", "not-a-feed", "web-page"};
    static const char* const kFormats[] = {"unknown", "rss", "atom", "json", "html", "other"};
    QJsonObject dump = feedDump(reader.takeFeed());
    EXPECT_TRUE(outcome == Outcome::Feed || dump.isEmpty()) << "only a feed has a channel or items";
    EXPECT_EQ(reader.error().isEmpty(), outcome == Outcome::Feed || outcome == Outcome::WebPage);
    dump.insert(QStringLiteral("outcome"), QLatin1String(kOutcomes[int(outcome)]));
    dump.insert(QStringLiteral("format"), QLatin1String(kFormats[int(reader.format())]));
    if (outcome == Outcome::WebPage)
        dump.insert(QStringLiteral("namedFeed"),
                    reader.namedFeed() ? reader.namedFeed()->toString() : QString());
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
// give: the RSS fixtures' feed dictionaries, or their parse errors.
TEST(FormatReader, ReadsRssFixturesAsTheRssHandlersDo) {
    int compared = 0;
    for (const std::string& file : fixtureFiles(QStringLiteral("fixtures"), QStringLiteral("*.xml"))) {
        const QByteArray document = readTestData(QStringLiteral("fixtures/") + QString::fromStdString(file));
        RssHandlers handlers;
        bool ended = false;
        handlers.documentDidEnd = [&] { ended = true; };
        platform::XmlEventParser parser(handlers);
        parser.parse(document);
        FeedDocumentParser reader(kFixtureURL);
        reader.parseChunk(document.constData(), std::size_t(document.size()));
        using Outcome = FeedDocumentParser::Outcome;
        const Outcome outcome = reader.finish();
        if (reader.format() != FeedDocumentParser::Format::Rss) continue; // atom.xml and the unreadable
        ++compared;
        EXPECT_EQ(outcome,
                  ended ? FeedDocumentParser::Outcome::Feed : FeedDocumentParser::Outcome::ParseError)
            << file;
        if (ended) {
            EXPECT_EQ(feedDump(reader.takeFeed()), feedDump(handlers.feedDictionary())) << file;
        } else {
            EXPECT_EQ(reader.error(), parser.errorDescription());
        }
    }
    EXPECT_GT(compared, 25);
}
