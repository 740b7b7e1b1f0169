// Set-up, defaults and the working copies of the settings.
#include "tests/support/PluginFixture.h"

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

TEST_F(Settings, SecondSetUpReadsTheSettingsAgainAndEndsTheSharedFeedList) {
    server.settings.insert("feeds", QVariantList{record("http://a/", 5, true)});
    NewsreelPlugin& p = setUpPlugin();
    p.addFeedToTable(nullptr); // a working change never stored
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 1) << "not stored yet";
    QWidget* pane = p.prefPaneView;
    p.setupWithServer(&server);
    EXPECT_EQ(p.defaults, &server.settings);
    EXPECT_EQ(p.feeds.size(), 1);
    EXPECT_EQ(p.prefPaneView, pane) << "the interface file is loaded once";
    EXPECT_EQ(p.heldMenuItems.size(), 23);
    p.storeFeeds();
    p.addFeedToTable(nullptr);
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 2) << "stored: later changes follow";
    p.setupWithServer(&server);
    EXPECT_FALSE(p.feedsStored);
    p.addFeedToTable(nullptr);
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 2) << "a new set-up ends the sharing";
}

// The menu's entries and commands are checked by the menu tests; here only the outlets they do not use.
TEST_F(Settings, InterfaceFileSetsTheWindowAndPaneOutlets) {
    NewsreelPlugin& p = setUpPlugin();
    ASSERT_TRUE(p.interfaceError.isEmpty()) << p.interfaceError.toStdString();
    EXPECT_TRUE(p.prefPaneView && p.webWindow && p.webView && p.titleLengthStepper);
    EXPECT_TRUE(p.infoMenu->windowFlags() & Qt::Popup);
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
