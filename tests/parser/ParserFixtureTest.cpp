// Every tests/parser/fixtures/NAME.xml is parsed in small chunks and its feed
// dictionary compared with NAME.expected.json beside it.
#include "parser/RssHandlers.h"
#include "tests/parser/ParserTestSupport.h"

namespace {

// The feed dictionary as JSON, plus how the parse ended; the handlers only record
// an error and print nothing: the update that knows the feed logs it.
QJsonObject parseFixture(const QByteArray& document, int chunkSize) {
    MessageRecorder recorder;
    RssHandlers handlers;
    bool ended = false;
    handlers.documentDidEnd = [&] { ended = true; };
    XmlEventParser parser(handlers);
    parseInPieces(parser, document, chunkSize);
    parser.finish();
    QJsonObject dump = feedDump(handlers.feedDictionary());
    dump.insert(QStringLiteral("ended"), ended);
    if (parser.failed()) dump.insert(QStringLiteral("error"), true);
    EXPECT_EQ(handlers.parseFailed, parser.failed());
    EXPECT_EQ(handlers.errorDescription, parser.errorDescription());
    EXPECT_TRUE(recorder.messages().isEmpty()) << recorder.messages().join(u'\n').toStdString();
    return dump;
}

class ParserFixture : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(ParserFixture, MatchesExpectedDump) {
    const QString file = QStringLiteral("fixtures/") + QString::fromStdString(GetParam());
    const QByteArray document = readTestData(file);
    ASSERT_FALSE(document.isEmpty());
    const QJsonObject dump = parseFixture(document, 7);
    expectDumpMatchesFile(dump, file.chopped(4) + QStringLiteral(".expected.json"));
    // The chunking of the bytes never shows in the result.
    EXPECT_EQ(parseFixture(document, 1 << 16), dump);
    EXPECT_EQ(parseFixture(document, 1), dump);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ParserFixture,
                         ::testing::ValuesIn(fixtureFiles(QStringLiteral("fixtures"),
                                                          QStringLiteral("*.xml"))),
                         fixtureTestName);
