// The window host as a user drives it from outside: the strip menu's "Refresh
// now", the quit signals a session sends, and a start without any display.
#include "tests/app/PennantProcess.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/parser/TestDocuments.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <csignal>
#include <gtest/gtest.h>

namespace {

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
    const SettingsFolder folder;
    SettingsFile settings(folder.writeSettings({feedRecord(http.url("/a"))}));
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
        const SettingsFolder folder;
        const int imageHits = http.hits("/logo.png");
        PennantProcess pennant(PennantProcess::Window, folder.writeSettings({feedRecord(http.url("/page"))}));
        pennant.forwardErrors();
        ASSERT_TRUE(pennant.start());
        ASSERT_TRUE(waitUntil([&] { return http.hits("/logo.png") > imageHits; }, 20000));
        pennant.signal(signal);
        ASSERT_TRUE(pennant.waitForExit(10000));
        EXPECT_TRUE(pennant.exitedNormally()) << "killed by the signal";
        EXPECT_EQ(pennant.exitCode(), 0);
        EXPECT_EQ(folder.feedURLs().value(0), http.url("/feed"))
            << readFile(folder.settingsPath()).toStdString();
    }
}

// No X11 or Wayland display at all: the window cannot open, and the user is told
// how to run without one; the demo runs headless by itself instead.
TEST(WindowCommands, WithoutADisplaySaysUseHeadlessAndTheDemoRunsHeadless) {
    const SettingsFolder folder;
    const QProcessEnvironment noDisplay = PennantProcess::withoutDisplay();
    const PennantRun window = runPennant({"--settings", folder.settingsPath()}, {}, noDisplay);
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_TRUE(window.err.contains(QStringLiteral("run `pennant --headless`"))) << window.err.toStdString();
    EXPECT_TRUE(window.out.isEmpty());
    EXPECT_FALSE(QFile::exists(folder.settingsPath())) << "nothing was started";

    const PennantRun demo = runPennant({"--demo"}, "wait\n", noDisplay);
    EXPECT_EQ(demo.exitCode, 0) << demo.err.toStdString();
    int added = 0;
    for (const QByteArray& line : demo.out.split('\n'))
        if (!line.isEmpty())
            added += QJsonDocument::fromJson(line).object().value("event") == QLatin1String("add");
    EXPECT_GT(added, 0) << demo.out.toStdString();
}
