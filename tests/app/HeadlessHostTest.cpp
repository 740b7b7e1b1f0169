// The headless host, run as a user or a script would run it.
#include "tests/app/PennantProcess.h"
#include "tests/app/SettingsFolder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <gtest/gtest.h>

TEST(HeadlessHost, EmptyOrCorruptSettingsFileGetsTheDefaultsAndACorruptOneIsReported) {
    for (const QByteArray& old :
         {QByteArray("  \n"), QByteArray(R"({"org.pennant.newsreel":{"feeds":[{"url":"h)")}) {
        SCOPED_TRACE(old.toStdString());
        const SettingsFolder folder;
        writeFile(folder.settingsPath(), old);
        const PennantRun run = runHeadless(folder.settingsPath(), {}, {"--once"});
        EXPECT_EQ(run.exitCode, 0);
        const QJsonObject saved = folder.stored();
        EXPECT_EQ(saved.value("feeds").toArray().size(), 0);
        EXPECT_TRUE(saved.value("ignored").isObject());
        EXPECT_EQ(saved.value("useTTL"), QJsonValue(true));
        EXPECT_EQ(saved.value("titleLength"), QJsonValue(30));
        // How the copy is set aside is the settings file's own test; here only that the user hears of it.
        EXPECT_EQ(run.err.contains("moved to"), !old.trimmed().isEmpty()) << run.err.toStdString();
    }
}

TEST(HeadlessHost, CommandsAnswerAndBadOnesSayWhy) {
    const SettingsFolder folder;
    const PennantRun run = runHeadless(folder.settingsPath(), "wait\nsettings\nfrobnicate\nwait now\nquit\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.kinds(), QStringList({"idle", "settings", "error", "error"}));
    for (const QJsonObject& e : run.events)
        EXPECT_TRUE(e.value("event") != QLatin1String("settings") ||
                    e.value("value").toObject().value("titleLength") == QJsonValue(30));
}

TEST(HeadlessHost, FeedAddedInThePaneIsFetchedWhenThePaneIsLeft) {
    const SettingsFolder folder;
    const QString settings = folder.settingsPath();
    const QString feed =
        QUrl::fromLocalFile(QStringLiteral(TEST_RESOURCES_DIR "/demo/science.rdf")).toString();
    // Commands after `wait` are held until the update has ended.
    const PennantRun run = runHeadless(settings, "pane show\npane press addFeedButton\npane edit 0 url " +
                                                     feed.toUtf8() + "\npane hide\nwait\nsettings\nquit\n");
    EXPECT_EQ(run.exitCode, 0);
    const QStringList kinds = run.kinds();
    ASSERT_GE(kinds.size(), 3);
    EXPECT_EQ(kinds.first(), QStringLiteral("add"));
    EXPECT_EQ(kinds.mid(kinds.size() - 2), QStringList({"idle", "settings"}));
    const QJsonArray feeds = folder.stored().value("feeds").toArray();
    ASSERT_EQ(feeds.size(), 1);
    EXPECT_EQ(feeds.at(0).toObject().value("url").toString(), feed);
    EXPECT_EQ(feeds.at(0).toObject().value("interval"), QJsonValue(60));

    // Quitting with the pane shown still stores its edits, and fetches nothing on the way out.
    const PennantRun quitting = runHeadless(settings, "wait\npane show\npane press addFeedButton\nquit\n");
    EXPECT_EQ(quitting.exitCode, 0);
    EXPECT_EQ(folder.stored().value("feeds").toArray().size(), 2);
    EXPECT_EQ(quitting.logLines().filter("adding timer").size(), 1) << "only the start's activation";
}

TEST(HeadlessHost, OnceWithABrokenBundleReportsItAndRunsTheOthers) {
    const SettingsFolder folder;
    const QString plugins = folder.filePath("plugins");
    QDir().mkpath(plugins + "/Broken.bundle");
    writeFile(plugins + "/Broken.bundle/libbroken.so", "not a library");
    QDir().mkpath(plugins + "/Newsreel.bundle");
    for (const QString& name : QDir(QStringLiteral(TEST_BUNDLE_DIR)).entryList(QDir::Files))
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(TEST_BUNDLE_DIR "/") + name, plugins + "/Newsreel.bundle/" + name));
    folder.writeSettings({feedRecord("file:///nowhere/a.xml"), feedRecord("file:///nowhere/b.xml", false),
                          feedRecord("file:///nowhere/c.xml")});
    const PennantRun run = runHeadless(folder.settingsPath(), {}, {"--once", "--plugins", plugins});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Broken.bundle/libbroken.so")) << run.err.toStdString();
    EXPECT_EQ(run.err.count("cannot load plug-in bundle"), 1);
    // The good bundle ran: it timed every enabled feed once.
    EXPECT_EQ(run.logLines().filter("adding timer"),
              QStringList({"adding timer for feed #0", "adding timer for feed #2"}));
}

TEST(HeadlessHost, BadArgumentsAreRefused) {
    const PennantRun run = runHeadless({}, {}, {"--view-size", "wide"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--view-size"));
}

// The bundled demo feeds, end to end: the world desk's logo at the strip's
// height, then one sign per item; the RSS 1.0 notes' items follow the channel.
TEST(HeadlessHost, DemoFeedsShowEverySignWithoutAProblem) {
    const PennantRun run = runHeadless({}, {}, {"--once", "--demo"});
    EXPECT_EQ(run.exitCode, 0);
    const QList<QJsonObject> added = run.eventsOf("add");
    for (const QJsonObject& e : run.events) {
        EXPECT_FALSE(e.value("event") == QLatin1String("beep") ||
                     e.value("event") == QLatin1String("error") ||
                     e.value("message").toString().startsWith("parse error"))
            << QJsonDocument(e).toJson().toStdString();
    }
    ASSERT_EQ(added.size(), 9);
    EXPECT_EQ(added[0].value("kind"), QStringLiteral("image"));
    EXPECT_EQ(added[0].value("width").toDouble(), 72.0);
    EXPECT_EQ(added[0].value("height").toDouble(), 24.0);
    EXPECT_EQ(added[0].value("actionString"), QStringLiteral("https://newsreel.example/world"));
    EXPECT_EQ(added[1].value("text"),
              QStringLiteral("Harbour city opens floating... (Newsreel World Desk) "));
    EXPECT_TRUE(added[5].value("actionString").toString().startsWith(QStringLiteral("4,file://")));
    EXPECT_EQ(added[8].value("text"), QStringLiteral("Bees (Newsreel Science Notes) "));
    EXPECT_TRUE(added[8].value("actionString").toString().endsWith(QStringLiteral("/science.rdf")));
}

// Scripts show the window's HTML elsewhere: they get the form the view renders,
// with nothing in it that runs or loads.
TEST(HeadlessHost, WindowEventCarriesTheDescriptionAsShown) {
    const SettingsFolder folder;
    const QString feed = folder.writeFeed(
        "feed.xml",
        R"x(<?xml version="1.0"?><rss version="2.0"><channel><title>C</title><item><title>T</title>
        <description><![CDATA[<p onclick="steal()">Story</p><script>alert(1)</script><iframe src="http://127.0.0.1/"></iframe>]]></description>
        </item></channel></rss>)x");
    const PennantRun run = runHeadless(folder.writeSettings({feedRecord(feed)}),
                                       "wait\nclick 1\nchoose showFullItemDescriptionItem\nquit\n");
    EXPECT_EQ(run.exitCode, 0);
    QStringList html;
    for (const QJsonObject& e : run.eventsOf("window"))
        html << e.value("html").toString();
    EXPECT_EQ(html, QStringList{QStringLiteral("<p>Story</p>")});
}

TEST(HeadlessHost, StartAndQuitWithNothingChangedLeavesTheSettingsFileAlone) {
    const SettingsFolder folder;
    const QString settings = folder.settingsPath();
    const QByteArray original =
        R"({"org.pennant.newsreel":{"feeds":[{"url":"file:///nowhere/a.xml","interval":30,"enabled":false,)"
        R"("mine":12345678901234567890}],"ignored":{},"useTTL":true,"titleLength":30},"org.other":{"x":1}})";
    writeFile(settings, original);
    EXPECT_EQ(runHeadless(settings, "wait\nsettings\nquit\n").exitCode, 0);
    EXPECT_EQ(readFile(settings), original);

    // A change writes the file, and the entry the plug-in does not own keeps its value.
    const PennantRun changed =
        runHeadless(settings, "pane show\npane set useTTLCheckBox 0\npane hide\nsettings\nquit\n");
    EXPECT_EQ(changed.exitCode, 0);
    const QByteArray saved = readFile(settings);
    EXPECT_EQ(folder.stored().value("useTTL"), QJsonValue(false));
    EXPECT_TRUE(saved.contains("\"mine\": 12345678901234567890")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\"org.other\"")) << saved.toStdString();
}

// A script that pipes its commands in and closes the pipe is done: the host
// runs what a `wait` holds and quits, storing the pane's edits as `quit` does.
TEST(HeadlessHost, EndOfInputRunsWhatIsHeldAndQuits) {
    const SettingsFolder folder;
    const QString settings = folder.writeSettings(
        {feedRecord(QUrl::fromLocalFile(QStringLiteral(TEST_RESOURCES_DIR "/demo/science.rdf")).toString())});
    const PennantRun run = runHeadless(settings, "wait\nsettings\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.kinds().mid(run.kinds().size() - 2), QStringList({"idle", "settings"}));
    EXPECT_EQ(runHeadless(settings, "pane show\npane press addFeedButton").exitCode, 0);
    EXPECT_EQ(folder.stored().value("feeds").toArray().size(), 2);
    EXPECT_EQ(runHeadless(settings).exitCode, 0);
}

// Scripts that read the menu tell what can be chosen: a disabled entry (the
// count of categories past the first fifty) says so, the others are as before.
TEST(HeadlessHost, MenuEventMarksDisabledEntriesOnly) {
    const SettingsFolder folder;
    QByteArray categories;
    for (int i = 0; i < 60; ++i)
        categories += "<category>c" + QByteArray::number(i) + "</category>";
    const QString feed = folder.writeFeed(
        "feed.xml",
        R"(<?xml version="1.0"?><rss version="2.0"><channel><title>C</title><item><title>T</title>)" +
            categories + "</item></channel></rss>");
    const PennantRun run = runHeadless(folder.writeSettings({feedRecord(feed)}), "wait\nclick 1\nquit\n");
    EXPECT_EQ(run.exitCode, 0);
    QJsonArray items;
    for (const QJsonObject& e : run.eventsOf("menu"))
        items = e.value("items").toArray();
    ASSERT_FALSE(items.isEmpty());
    QStringList disabled;
    int entries = 0;
    const std::function<void(const QJsonArray&)> walk = [&](const QJsonArray& list) {
        for (const QJsonValue& value : list) {
            const QJsonObject entry = value.toObject();
            ++entries;
            if (entry.contains("enabled")) {
                EXPECT_EQ(entry.value("enabled"), QJsonValue(false));
                disabled << entry.value("title").toString();
            }
            walk(entry.value("submenu").toArray());
        }
    };
    walk(items);
    EXPECT_GT(entries, 50);
    EXPECT_EQ(disabled, QStringList{QStringLiteral("and 10 more")});
}
