// The headless host, run as a user or a script would run it.
#include "tests/app/WindowTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

struct HostRun {
    int exitCode = -1;
    QList<QJsonObject> events;
    QString errors;
    QStringList logLines() const { return field("message", true); }
    QStringList kinds() const { return field("event", false); }
    // The field of every log event, or of every other event.
    QStringList field(const char* name, bool logs) const {
        QStringList out;
        for (const QJsonObject& e : events)
            if ((e.value("event") == QLatin1String("log")) == logs) out << e.value(name).toString();
        return out;
    }
};

HostRun runPennant(const QStringList& arguments, const QByteArray& input = {}) {
    const PennantOutput output = runPennantBinary(QStringList{"--headless"} + arguments, input);
    HostRun run;
    run.exitCode = output.exitCode;
    run.errors = output.err;
    for (const QByteArray& line : output.out.split('\n')) {
        if (line.isEmpty()) continue;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError)
            << "not one JSON object per line: " << line.toStdString();
        run.events.append(doc.object());
    }
    return run;
}

QJsonObject newsreelSettings(const QString& path) {
    return QJsonDocument::fromJson(readFile(path)).object().value("org.pennant.newsreel").toObject();
}

} // namespace

TEST(HeadlessHost, EmptyOrCorruptSettingsFileGetsTheDefaultsAndACorruptOneIsReported) {
    for (const QByteArray& old :
         {QByteArray("  \n"), QByteArray(R"({"org.pennant.newsreel":{"feeds":[{"url":"h)")}) {
        SCOPED_TRACE(old.toStdString());
        QTemporaryDir dir;
        const QString settings = dir.filePath("s.json");
        writeFile(settings, old);
        const HostRun run = runPennant({"--once", "--settings", settings});
        EXPECT_EQ(run.exitCode, 0);
        const QJsonObject saved = newsreelSettings(settings);
        EXPECT_EQ(saved.value("feeds").toArray().size(), 0);
        EXPECT_TRUE(saved.value("ignored").isObject());
        EXPECT_EQ(saved.value("useTTL"), QJsonValue(true));
        EXPECT_EQ(saved.value("titleLength"), QJsonValue(30));
        // How the copy is set aside is the settings file's own test; here only that the user hears of it.
        EXPECT_EQ(run.errors.contains("moved to"), !old.trimmed().isEmpty()) << run.errors.toStdString();
    }
}

TEST(HeadlessHost, CommandsAnswerAndBadOnesSayWhy) {
    QTemporaryDir dir;
    const QString settings = dir.filePath("s.json");
    const HostRun run = runPennant({"--settings", settings}, "wait\nsettings\nfrobnicate\nwait now\nquit\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.kinds(), QStringList({"idle", "settings", "error", "error"}));
    for (const QJsonObject& e : run.events)
        EXPECT_TRUE(e.value("event") != QLatin1String("settings") ||
                    e.value("value").toObject().value("titleLength") == QJsonValue(30));
}

TEST(HeadlessHost, FeedAddedInThePaneIsFetchedWhenThePaneIsLeft) {
    QTemporaryDir dir;
    const QString settings = dir.filePath("s.json");
    const QString feed =
        QUrl::fromLocalFile(QStringLiteral(TEST_RESOURCES_DIR "/demo/science.rdf")).toString();
    // Commands after `wait` are held until the update has ended.
    const HostRun run =
        runPennant({"--settings", settings}, "pane show\npane press addFeedButton\npane edit 0 url " +
                                                 feed.toUtf8() + "\npane hide\nwait\nsettings\nquit\n");
    EXPECT_EQ(run.exitCode, 0);
    const QStringList kinds = run.kinds();
    ASSERT_GE(kinds.size(), 3);
    EXPECT_EQ(kinds.first(), QStringLiteral("add"));
    EXPECT_EQ(kinds.mid(kinds.size() - 2), QStringList({"idle", "settings"}));
    const QJsonArray feeds = newsreelSettings(settings).value("feeds").toArray();
    ASSERT_EQ(feeds.size(), 1);
    EXPECT_EQ(feeds.at(0).toObject().value("url").toString(), feed);
    EXPECT_EQ(feeds.at(0).toObject().value("interval"), QJsonValue(60));

    // Quitting with the pane shown still stores its edits, and fetches nothing on the way out.
    const HostRun quitting =
        runPennant({"--settings", settings}, "wait\npane show\npane press addFeedButton\nquit\n");
    EXPECT_EQ(quitting.exitCode, 0);
    EXPECT_EQ(newsreelSettings(settings).value("feeds").toArray().size(), 2);
    EXPECT_EQ(quitting.logLines().filter("adding timer").size(), 1) << "only the start's activation";
}

TEST(HeadlessHost, OnceWithABrokenBundleReportsItAndRunsTheOthers) {
    QTemporaryDir dir;
    const QString plugins = dir.filePath("plugins");
    QDir().mkpath(plugins + "/Broken.bundle");
    writeFile(plugins + "/Broken.bundle/libbroken.so", "not a library");
    QDir().mkpath(plugins + "/Newsreel.bundle");
    for (const QString& name : QDir(QStringLiteral(TEST_BUNDLE_DIR)).entryList(QDir::Files))
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(TEST_BUNDLE_DIR "/") + name, plugins + "/Newsreel.bundle/" + name));
    const QString settings = dir.filePath("s.json");
    writeFile(settings, R"({"org.pennant.newsreel":{"feeds":[
        {"url":"file:///nowhere/a.xml","interval":30,"enabled":true},
        {"url":"file:///nowhere/b.xml","interval":30,"enabled":false},
        {"url":"file:///nowhere/c.xml","interval":30,"enabled":true}]}})");
    const HostRun run = runPennant({"--once", "--plugins", plugins, "--settings", settings});
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("Broken.bundle/libbroken.so")) << run.errors.toStdString();
    EXPECT_EQ(run.errors.count("cannot load plug-in bundle"), 1);
    // The good bundle ran: it timed every enabled feed once.
    EXPECT_EQ(run.logLines().filter("adding timer"),
              QStringList({"adding timer for feed #0", "adding timer for feed #2"}));
}

TEST(HeadlessHost, BadArgumentsAreRefused) {
    const HostRun run = runPennant({"--view-size", "wide"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errors.contains("--view-size"));
}

// The bundled demo feeds, end to end: the world desk's logo at the strip's
// height, then one sign per item; the RSS 1.0 notes' items follow the channel.
TEST(HeadlessHost, DemoFeedsShowEverySignWithoutAProblem) {
    const HostRun run = runPennant({"--once", "--demo"});
    EXPECT_EQ(run.exitCode, 0);
    QList<QJsonObject> added;
    for (const QJsonObject& e : run.events) {
        if (e.value("event") == QLatin1String("add")) added.append(e);
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
    QTemporaryDir dir;
    const QString feed = dir.filePath("feed.xml");
    writeFile(feed,
              R"x(<?xml version="1.0"?><rss version="2.0"><channel><title>C</title><item><title>T</title>
        <description><![CDATA[<p onclick="steal()">Story</p><script>alert(1)</script><iframe src="http://127.0.0.1/"></iframe>]]></description>
        </item></channel></rss>)x");
    const QString settings = dir.filePath("s.json");
    writeFile(settings, R"({"org.pennant.newsreel":{"feeds":[{"url":")" +
                            QUrl::fromLocalFile(feed).toEncoded() + R"(","interval":30,"enabled":true}]}})");
    const HostRun run =
        runPennant({"--settings", settings}, "wait\nclick 1\nchoose showFullItemDescriptionItem\nquit\n");
    EXPECT_EQ(run.exitCode, 0);
    QStringList html;
    for (const QJsonObject& e : run.events)
        if (e.value("event") == QLatin1String("window")) html << e.value("html").toString();
    EXPECT_EQ(html, QStringList{QStringLiteral("<p>Story</p>")});
}

TEST(HeadlessHost, StartAndQuitWithNothingChangedLeavesTheSettingsFileAlone) {
    QTemporaryDir dir;
    const QString settings = dir.filePath("s.json");
    const QByteArray original =
        R"({"org.pennant.newsreel":{"feeds":[{"url":"file:///nowhere/a.xml","interval":30,"enabled":false,)"
        R"("mine":12345678901234567890}],"ignored":{},"useTTL":true,"titleLength":30},"org.other":{"x":1}})";
    writeFile(settings, original);
    EXPECT_EQ(runPennant({"--settings", settings}, "wait\nsettings\nquit\n").exitCode, 0);
    EXPECT_EQ(readFile(settings), original);

    // A change writes the file, and the entry the plug-in does not own keeps its value.
    const HostRun changed = runPennant({"--settings", settings}, "pane show\npane set useTTLCheckBox 0\n"
                                                                 "pane hide\nsettings\nquit\n");
    EXPECT_EQ(changed.exitCode, 0);
    const QByteArray saved = readFile(settings);
    EXPECT_EQ(newsreelSettings(settings).value("useTTL"), QJsonValue(false));
    EXPECT_TRUE(saved.contains("\"mine\": 12345678901234567890")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\"org.other\"")) << saved.toStdString();
}

// A script that pipes its commands in and closes the pipe is done: the host
// runs what a `wait` holds and quits, storing the pane's edits as `quit` does.
TEST(HeadlessHost, EndOfInputRunsWhatIsHeldAndQuits) {
    QTemporaryDir dir;
    const QString settings = dir.filePath("s.json");
    writeFile(settings,
              R"({"org.pennant.newsreel":{"feeds":[{"url":")" +
                  QUrl::fromLocalFile(QStringLiteral(TEST_RESOURCES_DIR "/demo/science.rdf")).toEncoded() +
                  R"(","interval":30,"enabled":true}]}})");
    const HostRun run = runPennant({"--settings", settings}, "wait\nsettings\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.kinds().mid(run.kinds().size() - 2), QStringList({"idle", "settings"}));
    EXPECT_EQ(runPennant({"--settings", settings}, "pane show\npane press addFeedButton").exitCode, 0);
    EXPECT_EQ(newsreelSettings(settings).value("feeds").toArray().size(), 2);
    EXPECT_EQ(runPennant({"--settings", settings}).exitCode, 0);
}

// Scripts that read the menu tell what can be chosen: a disabled entry (the
// count of categories past the first fifty) says so, the others are as before.
TEST(HeadlessHost, MenuEventMarksDisabledEntriesOnly) {
    QTemporaryDir dir;
    QByteArray categories;
    for (int i = 0; i < 60; ++i)
        categories += "<category>c" + QByteArray::number(i) + "</category>";
    const QString feed = dir.filePath("feed.xml");
    writeFile(feed,
              R"(<?xml version="1.0"?><rss version="2.0"><channel><title>C</title><item><title>T</title>)" +
                  categories + "</item></channel></rss>");
    const QString settings = dir.filePath("s.json");
    writeFile(settings, R"({"org.pennant.newsreel":{"feeds":[{"url":")" +
                            QUrl::fromLocalFile(feed).toEncoded() + R"(","interval":30,"enabled":true}]}})");
    const HostRun run = runPennant({"--settings", settings}, "wait\nclick 1\nquit\n");
    EXPECT_EQ(run.exitCode, 0);
    QJsonArray items;
    for (const QJsonObject& e : run.events)
        if (e.value("event") == QLatin1String("menu")) items = e.value("items").toArray();
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
