// The feed list carried to and from OPML files by the host: `pennant --import` and
// `--export` on the settings file, and the headless `import` and `export` commands
// on the running plug-in.
#include "tests/app/PennantProcess.h"
#include "tests/app/SettingsFolder.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

const QByteArray kOpml = "<?xml version=\"1.0\"?>\n<opml version=\"1.1\"><head/><body>"
                         "<outline text=\"News\"><outline xmlUrl=\"https://a.example/rss\"/>"
                         "<outline xmlUrl=\"b.example/atom\"/></outline><outline xmlUrl=\"no url\"/>"
                         "</body></opml>\n";

} // namespace

TEST(FeedListFiles, ImportAndExportActOnTheSettingsFileAndSayWhatWasDone) {
    const SettingsFolder dir;
    const QString settings = dir.settingsPath();
    const QString in = dir.filePath("in.opml");
    writeFile(in, kOpml);

    PennantRun run = runPennant({"--settings", settings, "--import", in});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.output(), QStringLiteral("imported 2 feeds, 0 already listed, 1 skipped\n"));
    EXPECT_EQ(feedURLsIn(settings), (QStringList{"https://a.example/rss", "https://b.example/atom"}));
    EXPECT_EQ(dir.stored().value("titleLength"), QJsonValue(30))
        << "a first start's defaults come with the list";

    run = runPennant({"--settings", settings, "--import", in});
    EXPECT_EQ(run.output(), QStringLiteral("imported 0 feeds, 2 already listed, 1 skipped\n"));

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
    EXPECT_EQ(run.output(), QStringLiteral("exported 2 feeds to %1\n").arg(out));
    const QString empty = dir.filePath("empty.json");
    run = runPennant({"--settings", empty, "--import", out});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(feedURLsIn(empty), feedURLsIn(settings))
        << "exported and imported again: the same list in order";
}

TEST(FeedListFiles, HeadlessCommandsActOnTheRunningPlugin) {
    LoopbackHttpServer http;
    http.route("/rss",
               {200, "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Loop &amp; Back</title>"
                     "<link>http://127.0.0.1/home</link><item><title>One</title></item></channel></rss>"});
    const SettingsFolder dir;
    const QString settings = dir.settingsPath();
    dir.writeSettings({}, {{"ignored", QJsonObject()}, {"useTTL", true}, {"titleLength", 30}});
    const QString in = dir.filePath("in list.opml");
    writeFile(in, "<opml version=\"2.0\"><body><outline xmlUrl=\"" + http.url("/rss").toUtf8() +
                      "\"/><outline xmlUrl=\"" + http.url("/rss").toUtf8() + "\"/></body></opml>");
    const QString out = dir.filePath("out.opml");
    const PennantRun run =
        runHeadless(settings, "import " + in.toUtf8() + "\nwait\nexport " + out.toUtf8() + "\nimport " +
                                  dir.filePath("missing.opml").toUtf8() + "\nimport\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.output().split(u'\n', Qt::SkipEmptyParts);
    auto has = [&](const QString& text) {
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l == text; });
    };
    EXPECT_TRUE(has(QStringLiteral(
        "{\"event\":\"import\",\"message\":\"imported 1 feeds, 1 already listed, 0 skipped\"}")))
        << run.output().toStdString();
    EXPECT_TRUE(run.output().contains(QStringLiteral("One (Loop & Back) ")))
        << "the imported feed is fetched at once";
    EXPECT_TRUE(
        has(QStringLiteral("{\"event\":\"export\",\"message\":\"exported 1 feeds to %1\"}").arg(out)));
    EXPECT_TRUE(run.output().contains(QStringLiteral("{\"event\":\"error\",\"message\":\"cannot import ")));
    EXPECT_TRUE(has(QStringLiteral("{\"event\":\"error\",\"message\":\"import takes a file\"}")));
    EXPECT_EQ(feedURLsIn(settings), QStringList{http.url("/rss")});
    // The export names the feed by its channel's title and page.
    const QString opml = QString::fromUtf8(readFile(out));
    EXPECT_TRUE(
        opml.contains(QStringLiteral("text=\"Loop &amp; Back\" title=\"Loop &amp; Back\" xmlUrl=\"%1\" "
                                     "htmlUrl=\"http://127.0.0.1/home\"")
                          .arg(http.url("/rss"))))
        << opml.toStdString();
}

TEST(FeedListFiles, ExportNeverReplacesTheSettingsFileNorCutsAPathAtANul) {
    const SettingsFolder dir;
    const QString settings = dir.settingsPath();
    dir.writeSettings({feedRecord("http://127.0.0.1:9/a", false, 60)},
                      {{"ignored", QJsonObject()}, {"useTTL", true}, {"titleLength", 30}});
    const QByteArray before = readFile(settings);
    ASSERT_TRUE(QFile::link(settings, dir.filePath("link.json")));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("sub")));
    for (const QString& target :
         {settings, dir.filePath("link.json"), dir.filePath("sub/../settings.json")}) {
        const PennantRun run = runPennant({"--settings", settings, "--export", target});
        EXPECT_EQ(run.exitCode, 1) << target.toStdString();
        EXPECT_TRUE(run.err.contains("it is the ticker's settings file")) << run.err.toStdString();
        EXPECT_EQ(readFile(settings), before);
    }
    // The headless commands on the running plug-in: the same file refused, and a
    // path holding a NUL refused whole, with nothing written at the cut path.
    const PennantRun run =
        runHeadless(settings, "export " + settings.toUtf8() + "\nexport " + dir.filePath("a").toUtf8() +
                                  QByteArray("\0b.opml\nimport x\0y\nquit\n", 22));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.output().contains(
        QStringLiteral("cannot export to %1: it is the ticker's settings file").arg(settings)))
        << run.output().toStdString();
    EXPECT_TRUE(
        run.output().contains(QStringLiteral("cannot export to %1\\\\0b.opml: the path holds a NUL character")
                                  .arg(dir.filePath("a"))))
        << run.output().toStdString();
    EXPECT_TRUE(run.output().contains(QStringLiteral("the path holds a NUL character")))
        << run.output().toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("a")));
    EXPECT_EQ(feedURLsIn(settings).size(), 1);
}

// The path turns from a file into a FIFO and back while imports run: none may
// wait for the FIFO's writer.
TEST(FeedListFiles, ImportNeverWaitsOnAFifoSwappedInForTheFile) {
    const SettingsFolder dir;
    const QString settings = dir.settingsPath();
    const QByteArray path = QFile::encodeName(dir.filePath("list.opml"));
    const QByteArray regular = QFile::encodeName(dir.filePath("regular"));
    const QByteArray fifo = QFile::encodeName(dir.filePath("fifo"));
    writeFile(dir.filePath("regular"), kOpml);
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    std::atomic<bool> done{false};
    // The path is always there, a file and a FIFO by turns, each put in place at once.
    const QByteArray next = QFile::encodeName(dir.filePath("next"));
    std::thread swapper([&] {
        while (!done)
            for (const QByteArray& source : {regular, fifo}) {
                ::link(source.constData(), next.constData());
                ::rename(next.constData(), path.constData());
            }
    });
    QByteArray commands;
    for (int i = 0; i < 2000; ++i)
        commands += "import " + path + "\n";
    const PennantRun run = runHeadless(settings, commands + "quit\n");
    done = true;
    swapper.join();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(run.output().contains("not a file")) << "the checks are made on the file that was opened";
    EXPECT_TRUE(run.output().contains("not a regular file")) << "the FIFO was met";
}
