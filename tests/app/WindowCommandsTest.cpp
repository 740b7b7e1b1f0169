// The window host as a user drives it from outside: the strip menu's "Refresh
// now", the quit signals a session sends, and a start without any display.
#include "tests/app/WindowTestSupport.h"
#include "tests/parser/TestDocuments.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QString settingsWithFeed(const QTemporaryDir& dir, const QString& url) {
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    writeFile(path, R"({"org.pennant.newsreel":{"feeds":[{"url":")" + url.toUtf8() +
                        R"(","interval":30,"enabled":true}]}})");
    return path;
}

QAction* entryTitled(QMenu* menu, const QString& title) {
    for (QAction* entry : menu->actions())
        if (entry->text() == title) return entry;
    return nullptr;
}

} // namespace

TEST(WindowCommands, RefreshNowInTheStripMenuUpdatesEveryFeedAgain) {
    PlatformRecorder recorder;
    LoopbackHttpServer http;
    http.route("/a", {200, rss("<title>A</title><item><title>a1</title></item>")});
    QTemporaryDir dir;
    SettingsFile settings(settingsWithFeed(dir, http.url("/a")));
    settings.load();
    PluginHost plugins;
    ASSERT_TRUE(plugins.loadFrom(QStringLiteral(TEST_PLUGIN_DIR)).isEmpty());
    {
        WindowHost host(settings, &plugins);
        host.start();
        ASSERT_TRUE(waitUntil([&] { return http.hits("/a") == 1 && host.signs().snapshot().size() == 1; }));
        std::unique_ptr<QMenu> menu(host.window()->makeHostMenu());
        QAction* refresh = entryTitled(menu.get(), QStringLiteral("Refresh now"));
        ASSERT_NE(refresh, nullptr);
        refresh->trigger();
        EXPECT_TRUE(waitUntil([&] { return http.hits("/a") == 2; }));
        host.shutDown();
        plugins.unloadAll();
    }
}

// A session ends a program with SIGTERM (log-out), SIGHUP (its terminal closed)
// or SIGINT (Ctrl+C): each saves what changed and quits cleanly. The page names
// its feed, which takes the page's place in the list; the feed's stalled image
// holds the update there, so the change still waits for the half-second save
// timer when the signal comes.
TEST(WindowCommands, QuitSignalsSaveAndQuit) {
    LoopbackHttpServer http;
    LoopbackHttpServer::Response stalled{200, "never sent"};
    stalled.stall = true;
    http.route("/logo.png", stalled);
    http.route("/page", {200, "<!doctype html><html><head><link rel=alternate type=application/rss+xml "
                              "href=/feed></head><body></body></html>"});
    http.route("/feed", {200, rss("<title>T</title><image><url>" + http.url("/logo.png").toUtf8() +
                                  "</url></image><item><title>t1</title></item>")});
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        QTemporaryDir dir;
        const QString path = settingsWithFeed(dir, http.url("/page"));
        const int imageHits = http.hits("/logo.png");
        QProcess pennant;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        pennant.setProcessEnvironment(env);
        pennant.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        pennant.start(QStringLiteral(TEST_PENNANT_BINARY), {"--settings", path});
        ASSERT_TRUE(pennant.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return http.hits("/logo.png") > imageHits; }, 20000));
        ::kill(pid_t(pennant.processId()), signal);
        ASSERT_TRUE(pennant.waitForFinished(10000));
        EXPECT_EQ(pennant.exitStatus(), QProcess::NormalExit) << "killed by the signal";
        EXPECT_EQ(pennant.exitCode(), 0);
        const QJsonObject saved = QJsonDocument::fromJson(readFile(path)).object();
        const QJsonObject record =
            saved.value("org.pennant.newsreel").toObject().value("feeds").toArray().at(0).toObject();
        EXPECT_EQ(record.value("url").toString(), http.url("/feed")) << readFile(path).toStdString();
    }
}

// No X11 or Wayland display at all: the window cannot open, and the user is told
// how to run without one; the demo runs headless by itself instead.
TEST(WindowCommands, WithoutADisplaySaysUseHeadlessAndTheDemoRunsHeadless) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    QTemporaryDir dir;
    const auto run = [&](const QStringList& arguments, const QByteArray& input) {
        QProcess pennant;
        pennant.setProcessEnvironment(env);
        pennant.start(QStringLiteral(TEST_PENNANT_BINARY), arguments);
        pennant.write(input);
        pennant.closeWriteChannel();
        EXPECT_TRUE(pennant.waitForFinished(30000));
        return PennantOutput{pennant.exitCode(), pennant.readAllStandardOutput(),
                             QString::fromUtf8(pennant.readAllStandardError())};
    };
    const PennantOutput window = run({"--settings", dir.filePath("s.json")}, {});
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_TRUE(window.err.contains(QStringLiteral("run `pennant --headless`"))) << window.err.toStdString();
    EXPECT_TRUE(window.out.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("s.json"))) << "nothing was started";

    const PennantOutput demo = run({"--demo"}, "wait\n");
    EXPECT_EQ(demo.exitCode, 0) << demo.err.toStdString();
    int added = 0;
    for (const QByteArray& line : demo.out.split('\n'))
        if (!line.isEmpty())
            added += QJsonDocument::fromJson(line).object().value("event") == QLatin1String("add");
    EXPECT_GT(added, 0) << demo.out.toStdString();
}
