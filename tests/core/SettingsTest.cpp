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
    EXPECT_TRUE(store().records().isEmpty());
    EXPECT_TRUE(store().hiddenItemsByFeed().isEmpty());
    EXPECT_TRUE(p.preferences().useTTL());
    EXPECT_EQ(p.preferences().titleLength(), 30);
}

TEST_F(Settings, PartialDictionaryGetsNoDefaults) {
    server.settings.insert("feeds", QVariantList{record("http://a/", 5, true)});
    NewsreelPlugin& p = setUpPlugin();
    EXPECT_EQ(server.settings.size(), 1);
    EXPECT_FALSE(p.preferences().useTTL());
    EXPECT_EQ(p.preferences().titleLength(), 0);
    EXPECT_TRUE(store().hiddenItemsByFeed().isEmpty());
    ASSERT_EQ(store().count(), 1);
    EXPECT_EQ(store().records().first().toMap().value("url"), QVariant("http://a/"));
}

TEST_F(Settings, WrongTypesReadThroughConversionAndAreNotOverwritten) {
    // A hand-edited file: a number where the list belongs, text where numbers belong.
    server.settings.insert("feeds", 7);
    server.settings.insert("ignored", QVariantList{1, 2});
    server.settings.insert("useTTL", "yes");
    server.settings.insert("titleLength", "45 chars");
    NewsreelPlugin& p = setUpPlugin();
    EXPECT_TRUE(store().records().isEmpty());
    EXPECT_TRUE(store().hiddenItemsByFeed().isEmpty());
    EXPECT_TRUE(p.preferences().useTTL());
    EXPECT_EQ(p.preferences().titleLength(), 45);
    EXPECT_EQ(server.settings.value("feeds"), QVariant(7)); // kept until the user changes it
}

TEST_F(Settings, SecondSetUpReadsTheSettingsAgainAndEndsTheSharedFeedList) {
    server.settings.insert("feeds", QVariantList{record("http://a/", 5, true)});
    NewsreelPlugin& p = setUpPlugin();
    p.pane().addFeedToTable(nullptr); // a working change never stored
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 1) << "not stored yet";
    QWidget* pane = p.mainView();
    ASSERT_TRUE(p.infoMenu().load());
    QMenu* menu = p.infoMenu().outlets().infoMenu;
    p.setupWithServer(&server);
    EXPECT_EQ(p.preferences().defaults(), &server.settings);
    EXPECT_EQ(store().count(), 1);
    EXPECT_EQ(p.mainView(), pane) << "the interface file is loaded once";
    EXPECT_EQ(p.infoMenu().outlets().infoMenu, menu);
    store().storeFeeds(p.preferences());
    p.pane().addFeedToTable(nullptr);
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 2) << "stored: later changes follow";
    p.setupWithServer(&server);
    p.pane().addFeedToTable(nullptr);
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 2) << "a new set-up ends the sharing";
}

// The menu's entries and commands are checked by the menu tests; here only the
// outlets they do not use.
TEST_F(Settings, EachPartOfTheInterfaceIsLoadedWhenFirstNeededAndSetsItsOutlets) {
    NewsreelPlugin& p = setUpPlugin();
    const auto& window = p.infoMenu().descriptionWindow();
    p.activate();
    EXPECT_FALSE(p.pane().isLoaded());
    EXPECT_EQ(p.infoMenu().outlets().infoMenu, nullptr);
    EXPECT_EQ(window.outlets().webWindow, nullptr);
    ASSERT_TRUE(p.mainView());
    EXPECT_TRUE(p.pane().isLoaded());
    EXPECT_TRUE(p.pane().outlets().prefPaneView && p.pane().outlets().titleLengthStepper);
    EXPECT_EQ(p.infoMenu().outlets().infoMenu, nullptr) << "the pane brings no menu";
    p.infoMenu().descriptionWindow().showDescription("<p>x</p>", "Label");
    EXPECT_TRUE(window.outlets().webWindow && window.outlets().webView);
    EXPECT_EQ(p.infoMenu().outlets().infoMenu, nullptr);
    ASSERT_TRUE(p.infoMenu().load()) << p.infoMenu().loadError().toStdString();
    EXPECT_TRUE(p.infoMenu().outlets().infoMenu->windowFlags() & Qt::Popup);
    // Each part builds only its own widgets.
    EXPECT_FALSE(p.mainView()->window()->findChild<QMenu*>());
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
    restartRecorder();
    EXPECT_EQ(plugin->mainView(), nullptr);
    EXPECT_EQ(plugin->pane().outlets().feedTable, nullptr) << "no outlet may point into a failed load";
    EXPECT_TRUE(plugin->pane().loadError().contains("removeFeedButton"));
    plugin->infoMenu().descriptionWindow().showDescription("<p>x</p>", "Label");
    EXPECT_EQ(plugin->infoMenu().descriptionWindow().outlets().webNameLabel, nullptr);
    EXPECT_TRUE(plugin->infoMenu().descriptionWindow().loadError().contains("webView"));
    EXPECT_EQ(recorder->logLines().filter("cannot load the interface").size(), 2);
    EXPECT_EQ(plugin->mainView(), nullptr);
    EXPECT_EQ(recorder->logLines().filter("cannot load the interface").size(), 2)
        << "a failed part is tried once";
    EXPECT_TRUE(plugin->infoMenu().load()) << "the menu's part is whole";
    // Without an interface the plug-in still runs its feeds.
    plugin->activate();
    EXPECT_TRUE(plugin->isActive());
}

TEST_F(Settings, UserInfoComesFromTheStringTable) {
    NewsreelPlugin& p = makePlugin();
    EXPECT_TRUE(p.userInfo().startsWith("Newsreel shows"));
    QTemporaryDir empty;
    p.setMyBundle(std::make_shared<platform::Bundle>(empty.path(), "x"));
    EXPECT_EQ(p.userInfo(), QStringLiteral("userInfo")) << "a missing key gives the key back";
}
