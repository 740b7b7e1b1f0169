// The parser's tests run with a core application only: no widgets, no network.
#include "tests/parser/ParserTestSupport.h"

#include "parser/FeedDictionaryForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

QStringList* recording = nullptr;

void record(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (recording) recording->append(message);
}

} // namespace

MessageRecorder::MessageRecorder() : previous_(qInstallMessageHandler(&record)) {
    recording = &messages_;
}

MessageRecorder::~MessageRecorder() {
    recording = nullptr;
    qInstallMessageHandler(previous_);
}

QJsonObject feedDump(const ParsedFeed& feed) {
    QJsonObject dump;
    if (feed.channel)
        dump.insert(QStringLiteral("channel"),
                    QJsonObject::fromVariantMap(dictionaryOfChannel(*feed.channel)));
    if (feed.items)
        dump.insert(QStringLiteral("items"), QJsonArray::fromVariantList(itemDictionaries(*feed.items)));
    return dump;
}

std::vector<std::string> fixtureFiles(const QString& folder, const QString& filter) {
    std::vector<std::string> names;
    const QDir dir(QStringLiteral(TEST_SOURCE_DIR "/parser/") + folder);
    for (const QString& file : dir.entryList({filter}, QDir::Files, QDir::Name))
        if (!file.endsWith(QLatin1String(".expected.json"))) names.push_back(file.toStdString());
    return names;
}

std::string fixtureTestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name;
}

void expectDumpMatchesFile(const QJsonObject& dump, const QString& expectedFile) {
    if (qEnvironmentVariableIsSet("NEWSREEL_WRITE_EXPECTED")) {
        QFile out(QStringLiteral(TEST_SOURCE_DIR "/parser/") + expectedFile);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QJsonDocument(dump).toJson(QJsonDocument::Indented));
        GTEST_SKIP() << "wrote " << expectedFile.toStdString();
    }
    QJsonParseError error;
    const QJsonDocument expected = QJsonDocument::fromJson(readTestData(expectedFile), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << expectedFile.toStdString();
    EXPECT_EQ(dump, expected.object()) << "got:\n" << QJsonDocument(dump).toJson().toStdString();
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
