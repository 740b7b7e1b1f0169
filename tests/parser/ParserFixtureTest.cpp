// Every tests/parser/fixtures/NAME.xml is parsed in small chunks and its feed
// dictionary compared with NAME.expected.json beside it.
#include "parser/RssHandlers.h"
#include "tests/parser/ParserTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString fixtureDir() {
    return QStringLiteral(TEST_SOURCE_DIR "/parser/fixtures");
}

struct ParseOutcome {
    QJsonObject dump;
    QStringList messages;
};

// The feed dictionary as JSON, plus how the parse ended.
ParseOutcome parseFixture(const QByteArray& document, int chunkSize) {
    MessageRecorder recorder;
    RssHandlers handlers;
    bool ended = false;
    handlers.documentDidEnd = [&] { ended = true; };
    platform::XmlEventParser parser(handlers);
    for (qsizetype at = 0; at < document.size() && !parser.failed(); at += chunkSize)
        parser.parseChunk(document.constData() + at,
                          std::size_t(std::min<qsizetype>(chunkSize, document.size() - at)));
    parser.finish();
    const ParsedFeed feed = handlers.feedDictionary();
    QJsonObject dump;
    if (feed.channel) dump.insert(QStringLiteral("channel"), QJsonObject::fromVariantMap(*feed.channel));
    if (feed.items) dump.insert(QStringLiteral("items"), QJsonArray::fromVariantList(*feed.items));
    dump.insert(QStringLiteral("ended"), ended);
    if (parser.failed()) dump.insert(QStringLiteral("error"), true);
    EXPECT_EQ(handlers.parseFailed, parser.failed());
    EXPECT_EQ(handlers.errorDescription, parser.errorDescription());
    return {dump, recorder.messages()};
}

std::vector<std::string> fixtureNames() {
    std::vector<std::string> names;
    for (const QString& file :
         QDir(fixtureDir()).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
        names.push_back(file.chopped(4).toStdString());
    return names;
}

class ParserFixture : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(ParserFixture, MatchesExpectedDump) {
    const QString name = QString::fromStdString(GetParam());
    const QByteArray document = readTestData(QStringLiteral("fixtures/") + name + QStringLiteral(".xml"));
    ASSERT_FALSE(document.isEmpty());
    const QString expectedPath = fixtureDir() + u'/' + name + QStringLiteral(".expected.json");
    const ParseOutcome outcome = parseFixture(document, 7);
    if (qEnvironmentVariableIsSet("NEWSREEL_WRITE_EXPECTED")) {
        QFile out(expectedPath);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QJsonDocument(outcome.dump).toJson(QJsonDocument::Indented));
        GTEST_SKIP() << "wrote " << expectedPath.toStdString();
    }
    QJsonParseError error;
    const QJsonDocument expected = QJsonDocument::fromJson(
        readTestData(QStringLiteral("fixtures/") + name + QStringLiteral(".expected.json")), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << expectedPath.toStdString();
    EXPECT_EQ(outcome.dump, expected.object()) << "got:\n"
                                               << QJsonDocument(outcome.dump).toJson().toStdString();

    // The handlers only record an error and print nothing: the update that knows
    // the feed logs it.
    EXPECT_TRUE(outcome.messages.isEmpty()) << outcome.messages.join(u'\n').toStdString();

    // The chunking of the bytes never shows in the result.
    EXPECT_EQ(parseFixture(document, 1 << 16).dump, outcome.dump);
    EXPECT_EQ(parseFixture(document, 1).dump, outcome.dump);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ParserFixture, ::testing::ValuesIn(fixtureNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });
