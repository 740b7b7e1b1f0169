// Every tests/parser/format-fixtures/NAME (.xml, .json, .html) is read by the
// format reader in small chunks, as if fetched from FIXTURE_URL, and what it
// made compared with NAME.expected.json beside it.
#include "parser/FeedDocumentParser.h"
#include "tests/parser/ParserTestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QUrl kFixtureURL(QStringLiteral("https://feeds.example/dir/feed"));

QString fixtureDir() {
    return QStringLiteral(TEST_SOURCE_DIR "/parser/format-fixtures");
}

const char* formatName(FeedDocumentParser::Format format) {
    switch (format) {
    case FeedDocumentParser::Format::Rss:
        return "rss";
    case FeedDocumentParser::Format::Atom:
        return "atom";
    case FeedDocumentParser::Format::JsonFeed:
        return "json";
    case FeedDocumentParser::Format::Html:
        return "html";
    case FeedDocumentParser::Format::Other:
        return "other";
    default:
        return "unknown";
    }
}

QJsonObject feedDump(const ParsedFeed& feed) {
    QJsonObject dump;
    if (feed.channel) dump.insert(QStringLiteral("channel"), QJsonObject::fromVariantMap(*feed.channel));
    if (feed.items) dump.insert(QStringLiteral("items"), QJsonArray::fromVariantList(*feed.items));
    return dump;
}

QJsonObject readFixture(const QByteArray& document, int chunkSize) {
    FeedDocumentParser reader(kFixtureURL);
    bool wanting = true;
    for (qsizetype at = 0; at < document.size() && wanting; at += chunkSize)
        wanting = reader.parseChunk(document.constData() + at,
                                    std::size_t(std::min<qsizetype>(chunkSize, document.size() - at)));
    const FeedDocumentParser::Outcome outcome = reader.finish();
    static const char* const kKinds[] = {"feed", "parse-error", "not-a-feed", "web-page"};
    QJsonObject dump = feedDump(reader.takeFeed());
    dump.insert(QStringLiteral("outcome"), QLatin1String(kKinds[int(outcome)]));
    dump.insert(QStringLiteral("format"), QLatin1String(formatName(reader.format())));
    if (outcome == FeedDocumentParser::Outcome::WebPage)
        dump.insert(QStringLiteral("namedFeed"),
                    reader.namedFeed() ? reader.namedFeed()->toString() : QString());
    if (outcome != FeedDocumentParser::Outcome::Feed) {
        EXPECT_TRUE(dump.value(QStringLiteral("channel")).isUndefined() &&
                    dump.value(QStringLiteral("items")).isUndefined());
    }
    if (outcome == FeedDocumentParser::Outcome::ParseError ||
        outcome == FeedDocumentParser::Outcome::NotAFeed) {
        EXPECT_FALSE(reader.error().isEmpty());
    }
    return dump;
}

std::vector<std::string> fixtureNames() {
    std::vector<std::string> names;
    for (const QString& file : QDir(fixtureDir()).entryList(QDir::Files, QDir::Name))
        if (!file.endsWith(QLatin1String(".expected.json"))) names.push_back(file.toStdString());
    return names;
}

class FormatFixture : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(FormatFixture, MatchesExpectedDump) {
    const QString file = QString::fromStdString(GetParam());
    const QByteArray document = readTestData(QStringLiteral("format-fixtures/") + file);
    const QString expectedName = file.section(u'.', 0, -2) + QStringLiteral(".expected.json");
    const QString expectedPath = fixtureDir() + u'/' + expectedName;
    const QJsonObject dump = readFixture(document, 7);
    if (qEnvironmentVariableIsSet("NEWSREEL_WRITE_EXPECTED")) {
        QFile out(expectedPath);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QJsonDocument(dump).toJson(QJsonDocument::Indented));
        GTEST_SKIP() << "wrote " << expectedPath.toStdString();
    }
    QJsonParseError error;
    const QJsonDocument expected =
        QJsonDocument::fromJson(readTestData(QStringLiteral("format-fixtures/") + expectedName), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << expectedPath.toStdString();
    EXPECT_EQ(dump, expected.object()) << "got:\n" << QJsonDocument(dump).toJson().toStdString();
    // The chunking of the bytes never shows in the result.
    EXPECT_EQ(readFixture(document, 1 << 16), dump);
    EXPECT_EQ(readFixture(document, 1), dump);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FormatFixture, ::testing::ValuesIn(fixtureNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

// RSS documents read through the format reader give what the RSS handlers alone
// give: the RSS fixtures' feed dictionaries, or their parse errors.
TEST(FormatReader, ReadsRssFixturesAsTheRssHandlersDo) {
    const QDir dir(QStringLiteral(TEST_SOURCE_DIR "/parser/fixtures"));
    int compared = 0;
    for (const QString& file : dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name)) {
        const QByteArray document = readTestData(QStringLiteral("fixtures/") + file);
        RssHandlers handlers;
        bool ended = false;
        handlers.documentDidEnd = [&] { ended = true; };
        platform::XmlEventParser parser(handlers);
        parser.parse(document);
        FeedDocumentParser reader(kFixtureURL);
        reader.parseChunk(document.constData(), std::size_t(document.size()));
        const FeedDocumentParser::Outcome outcome = reader.finish();
        if (reader.format() != FeedDocumentParser::Format::Rss) continue; // atom.xml and the unreadable
        ++compared;
        EXPECT_EQ(outcome,
                  ended ? FeedDocumentParser::Outcome::Feed : FeedDocumentParser::Outcome::ParseError)
            << file.toStdString();
        if (ended) {
            EXPECT_EQ(feedDump(reader.takeFeed()), feedDump(handlers.feedDictionary())) << file.toStdString();
        } else {
            EXPECT_EQ(reader.error(), parser.errorDescription());
        }
    }
    EXPECT_GT(compared, 25);
}
