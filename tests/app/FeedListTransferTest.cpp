// The feed list carried to and from OPML files by the host: `pennant --import` and
// `--export` on the settings file, and the headless `import` and `export` commands
// on the running plug-in.
#include "tests/app/WindowTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct PennantRun {
    int exitCode = -1;
    QString out;
    QString err;
};

PennantRun runPennant(const QStringList& arguments, const QByteArray& input = {}) {
    const PennantOutput output = runPennantBinary(arguments, input);
    return {output.exitCode, QString::fromUtf8(output.out), output.err};
}

QStringList feedURLs(const QString& settingsPath) {
    QStringList urls;
    const QJsonObject settings = QJsonDocument::fromJson(readFile(settingsPath)).object();
    for (const QJsonValue& record :
         settings.value("org.pennant.newsreel").toObject().value("feeds").toArray())
        urls << record.toObject().value("url").toString();
    return urls;
}

const QByteArray kOpml = "<?xml version=\"1.0\"?>\n<opml version=\"1.1\"><head/><body>"
                         "<outline text=\"News\"><outline xmlUrl=\"https://a.example/rss\"/>"
                         "<outline xmlUrl=\"b.example/atom\"/></outline><outline xmlUrl=\"no url\"/>"
                         "</body></opml>\n";

} // namespace

TEST(FeedListFiles, ImportAndExportActOnTheSettingsFileAndSayWhatWasDone) {
    QTemporaryDir dir;
    const QString settings = dir.filePath("settings.json");
    const QString in = dir.filePath("in.opml");
    writeFile(in, kOpml);

    PennantRun run = runPennant({"--settings", settings, "--import", in});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("imported 2 feeds, 0 already listed, 1 skipped\n"));
    EXPECT_EQ(feedURLs(settings), (QStringList{"https://a.example/rss", "https://b.example/atom"}));
    const QJsonObject stored =
        QJsonDocument::fromJson(readFile(settings)).object().value("org.pennant.newsreel").toObject();
    EXPECT_EQ(stored.value("titleLength"), QJsonValue(30)) << "a first start's defaults come with the list";

    run = runPennant({"--settings", settings, "--import", in});
    EXPECT_EQ(run.out, QStringLiteral("imported 0 feeds, 2 already listed, 1 skipped\n"));

    // A broken file changes nothing and says why.
    const QByteArray before = readFile(settings);
    writeFile(dir.filePath("broken.opml"), kOpml.left(80));
    run = runPennant({"--settings", settings, "--import", dir.filePath("broken.opml")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("pennant: cannot import "))) << run.err.toStdString();
    EXPECT_EQ(readFile(settings), before);

    const QString out = dir.filePath("out.opml");
    run = runPennant({"--settings", settings, "--export", out});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("exported 2 feeds to %1\n").arg(out));
    const QString empty = dir.filePath("empty.json");
    run = runPennant({"--settings", empty, "--import", out});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(feedURLs(empty), feedURLs(settings)) << "exported and imported again: the same list in order";
}

TEST(FeedListFiles, HeadlessCommandsActOnTheRunningPlugin) {
    LoopbackHttpServer http;
    http.route("/rss",
               {200, "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Loop &amp; Back</title>"
                     "<link>http://127.0.0.1/home</link><item><title>One</title></item></channel></rss>"});
    QTemporaryDir dir;
    const QString settings = dir.filePath("settings.json");
    writeFile(settings,
              "{\"org.pennant.newsreel\":{\"feeds\":[],\"ignored\":{},\"useTTL\":true,\"titleLength\":30}}");
    const QString in = dir.filePath("in list.opml");
    writeFile(in, "<opml version=\"2.0\"><body><outline xmlUrl=\"" + http.url("/rss").toUtf8() +
                      "\"/><outline xmlUrl=\"" + http.url("/rss").toUtf8() + "\"/></body></opml>");
    const QString out = dir.filePath("out.opml");
    const PennantRun run =
        runPennant({"--headless", "--settings", settings},
                   "import " + in.toUtf8() + "\nwait\nexport " + out.toUtf8() + "\nimport " +
                       dir.filePath("missing.opml").toUtf8() + "\nimport\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    auto has = [&](const QString& text) {
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l == text; });
    };
    EXPECT_TRUE(has(QStringLiteral(
        "{\"event\":\"import\",\"message\":\"imported 1 feeds, 1 already listed, 0 skipped\"}")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("One (Loop & Back) ")))
        << "the imported feed is fetched at once";
    EXPECT_TRUE(
        has(QStringLiteral("{\"event\":\"export\",\"message\":\"exported 1 feeds to %1\"}").arg(out)));
    EXPECT_TRUE(run.out.contains(QStringLiteral("{\"event\":\"error\",\"message\":\"cannot import ")));
    EXPECT_TRUE(has(QStringLiteral("{\"event\":\"error\",\"message\":\"import takes a file\"}")));
    EXPECT_EQ(feedURLs(settings), QStringList{http.url("/rss")});
    // The export names the feed by its channel's title and page.
    const QString opml = QString::fromUtf8(readFile(out));
    EXPECT_TRUE(
        opml.contains(QStringLiteral("text=\"Loop &amp; Back\" title=\"Loop &amp; Back\" xmlUrl=\"%1\" "
                                     "htmlUrl=\"http://127.0.0.1/home\"")
                          .arg(http.url("/rss"))))
        << opml.toStdString();
}
