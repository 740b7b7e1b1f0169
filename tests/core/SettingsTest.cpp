// Set-up, defaults and the working copies of the settings.
#include "tests/support/PluginFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>

using Settings = PluginTest;

TEST_F(Settings, EmptyDictionaryGetsAllFourDefaults) {
    NewsreelPlugin& p = setUpPlugin();
    EXPECT_EQ(server.askedIdentifier, QStringLiteral("org.pennant.newsreel"));
    EXPECT_EQ(server.settings.size(), 4);
    EXPECT_EQ(server.settings.value("feeds").toList(), QVariantList());
    EXPECT_EQ(server.settings.value("ignored").toMap(), QVariantMap());
    EXPECT_EQ(server.settings.value("useTTL"), QVariant(true));
    EXPECT_EQ(server.settings.value("titleLength"), QVariant(30));
    EXPECT_TRUE(p.feeds.isEmpty());
    EXPECT_TRUE(p.ignored.isEmpty());
    EXPECT_TRUE(p.useTTL);
    EXPECT_EQ(p.titleLength, 30);
}

TEST_F(Settings, PartialDictionaryGetsNoDefaults) {
    server.settings.insert("feeds", QVariantList{record("http://a/", 5, true)});
    NewsreelPlugin& p = setUpPlugin();
    EXPECT_EQ(server.settings.size(), 1);
    EXPECT_FALSE(p.useTTL);
    EXPECT_EQ(p.titleLength, 0);
    EXPECT_TRUE(p.ignored.isEmpty());
    ASSERT_EQ(p.feeds.size(), 1);
    EXPECT_EQ(p.feeds.first().toMap().value("url"), QVariant("http://a/"));
}

TEST_F(Settings, WrongTypesReadThroughConversionAndAreNotOverwritten) {
    // A hand-edited file: a number where the list belongs, text where numbers belong.
    server.settings.insert("feeds", 7);
    server.settings.insert("ignored", QVariantList{1, 2});
    server.settings.insert("useTTL", "yes");
    server.settings.insert("titleLength", "45 chars");
    NewsreelPlugin& p = setUpPlugin();
    EXPECT_TRUE(p.feeds.isEmpty());
    EXPECT_TRUE(p.ignored.isEmpty());
    EXPECT_TRUE(p.useTTL);
    EXPECT_EQ(p.titleLength, 45);
    EXPECT_EQ(server.settings.value("feeds"), QVariant(7)); // kept until the user changes it
}

TEST_F(Settings, SecondSetUpReadsTheSettingsAgain) {
    server.settings.insert("feeds", QVariantList{record("http://a/", 5, true)});
    NewsreelPlugin& p = setUpPlugin();
    p.feeds.append(record("http://b/", 5, true)); // a working change never stored
    QWidget* pane = p.prefPaneView;
    p.setupWithServer(&server);
    EXPECT_EQ(p.defaults, &server.settings);
    EXPECT_EQ(p.feeds.size(), 1);
    EXPECT_EQ(p.prefPaneView, pane) << "the interface file is loaded once";
    EXPECT_EQ(p.heldMenuItems.size(), 23);
}

TEST_F(Settings, StoredFeedListFollowsLaterChangesUntilNextSetUp) {
    NewsreelPlugin& p = setUpPlugin();
    p.addFeedToTable(nullptr);
    EXPECT_TRUE(server.settings.value("feeds").toList().isEmpty()) << "not stored yet";
    p.storeFeeds();
    p.addFeedToTable(nullptr);
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 2);
    p.setupWithServer(&server);
    EXPECT_FALSE(p.feedsStored);
    p.addFeedToTable(nullptr);
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 2) << "a new set-up ends the sharing";
}

TEST_F(Settings, InterfaceFileSetsEveryOutletAndConnectsCommands) {
    NewsreelPlugin& p = setUpPlugin();
    ASSERT_TRUE(p.interfaceError.isEmpty()) << p.interfaceError.toStdString();
    ASSERT_NE(p.infoMenu, nullptr);
    EXPECT_NE(p.prefPaneView, nullptr);
    EXPECT_NE(p.webWindow, nullptr);
    EXPECT_NE(p.webView, nullptr);
    EXPECT_NE(p.titleLengthStepper, nullptr);
    EXPECT_TRUE(p.infoMenu->windowFlags() & Qt::Popup);
    QStringList topTitles;
    for (QAction* a : p.infoMenu->actions())
        topTitles << a->text();
    ASSERT_GE(topTitles.size(), 7);
    EXPECT_EQ(p.infoMenu->actions().at(6), p.dontShowAgainItem);
    EXPECT_TRUE(topTitles.contains("Item Info"));
    EXPECT_TRUE(topTitles.contains("Feed Info"));
    // Choosing the close entry runs the command (which does nothing); an entry
    // that only informs has no command and logs nothing either.
    p.closeItem->trigger();
    p.languageItem->trigger();
    EXPECT_FALSE(recorder->logLines().contains("menu command not implemented!"));
}

TEST_F(Settings, MissingOutletsAreNamedAtLoadTime) {
    QTemporaryDir dir;
    QFile in(QStringLiteral(TEST_BUNDLE_DIR "/NewsreelPane.ui"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray ui = in.readAll();
    ui.replace("name=\"webView\"", "name=\"somethingElse\"");
    ui.replace("name=\"removeFeedButton\"", "name=\"otherButton\"");
    QFile out(dir.filePath("NewsreelPane.ui"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(ui);
    out.close();
    plugin = std::make_unique<NewsreelPlugin>();
    plugin->initWithBundle(std::make_shared<platform::Bundle>(dir.path(), "org.pennant.newsreel"));
    plugin->setupWithServer(&server);
    EXPECT_EQ(plugin->prefPaneView, nullptr);
    EXPECT_EQ(plugin->infoMenu, nullptr) << "no outlet may point into a failed load";
    EXPECT_TRUE(plugin->interfaceError.contains("webView"));
    EXPECT_TRUE(plugin->interfaceError.contains("removeFeedButton"));
    // Without an interface the plug-in still runs its feeds.
    plugin->activate();
    EXPECT_TRUE(plugin->active);
}

TEST_F(Settings, UserInfoComesFromTheStringTable) {
    NewsreelPlugin& p = makePlugin();
    EXPECT_TRUE(p.userInfo().startsWith("Newsreel shows"));
    QTemporaryDir empty;
    p.setMyBundle(std::make_shared<platform::Bundle>(empty.path(), "x"));
    EXPECT_EQ(p.userInfo(), QStringLiteral("userInfo")) << "a missing key gives the key back";
}
