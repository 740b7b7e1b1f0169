#include "feeds/SignText.h"
#include "parser/FeedDictionaryForm.h"
#include "tests/menu/MenuFixture.h"

namespace {

const QString kFeed = QStringLiteral("http://127.0.0.1/feed");
const QString kOther = QStringLiteral("http://127.0.0.1/other");

class FeedListTest : public MenuTest {
  protected:
    // A disabled feed ahead of the clicked one, as activation leaves them.
    void subscribeTwo(double seconds) {
        store().load(QVariantList{record(kOther, 5, false), record(kFeed, seconds / 60, true)},
                     store().hiddenItemsByFeed());
        // Timers as activation leaves them, without their first updates.
        plugin->feedSchedule().start(store().records(), false);
    }
    QVariantList storedFeeds() const { return server.settings.value(QStringLiteral("feeds")).toList(); }
};

} // namespace

TEST_F(FeedListTest, DontShowAgainTwiceKeepsOneMarkerTakesOnlyThatSignAndStoresAtOnce) {
    const PNSignRef image = std::make_shared<PNImageTickerSign>();
    server.addSign(image);
    const PNSignRef first = postedSign(QStringLiteral("0,") + kFeed);
    const PNSignRef second = postedSign(QStringLiteral("1,") + kFeed);
    addFeed(kFeed, {{"title", "C"}},
            {QVariantMap{{"guid", "plain-0"}},
             QVariantMap{{"guid", attributes({{"isPermaLink", "false"}, {"text", "attr-1"}})}}},
            {image, first, second});
    store().hideItem(kFeed, "older", QString());

    click(1, kFeed);
    menu().dontShowAgainItem->trigger();
    menu().dontShowAgainItem->trigger();
    EXPECT_EQ(store().hiddenItems(kFeed), (QVariantList{"older", "attr-1"}));
    EXPECT_EQ(server.onTicker(), (QList<PNSignRef>{image, first}));
    EXPECT_EQ(*store().feed(kFeed)->tickers, (QList<PNSignRef>{image, first}));
    EXPECT_EQ(server.settings.value(QStringLiteral("ignored")).toMap().value(kFeed).toList(),
              (QVariantList{"older", "attr-1"}));

    click(0, kFeed);
    menu().dontShowAgainItem->trigger();
    EXPECT_EQ(store().hiddenItems(kFeed), (QVariantList{"older", "attr-1", "plain-0"}));
    EXPECT_EQ(server.onTicker(), QList<PNSignRef>{image});
    EXPECT_EQ(recorder->beeps(), 0);
}

// What the menu hides is what the next update leaves without a sign: the same
// guid text, whether the guid came plain or with attributes, and nothing else.
TEST_F(FeedListTest, HiddenItemsAreWhatTheNextUpdateSkips) {
    const QVariantList items{
        QVariantMap{{"guid", "plain-0"}},
        QVariantMap{{"guid", attributes({{"isPermaLink", "false"}, {"text", "attr-1"}})}},
        QVariantMap{{"guid", "attr-1x"}}, QVariantMap{{"title", "no guid"}}};
    addFeed(kFeed, {{"title", "C"}}, items,
            {postedSign(QStringLiteral("0,") + kFeed), postedSign(QStringLiteral("1,") + kFeed),
             postedSign(QStringLiteral("2,") + kFeed), postedSign(QStringLiteral("3,") + kFeed)});
    for (int index : {0, 1}) {
        click(index, kFeed);
        menu().dontShowAgainItem->trigger();
    }
    const QVariantList hiddenItems = store().hiddenItems(kFeed);
    QList<bool> hidden;
    for (const QVariant& item : items)
        hidden.append(isHiddenItem(itemOfDictionary(item.toMap()), hiddenItems));
    EXPECT_EQ(hidden, (QList<bool>{true, true, false, false}));
    EXPECT_EQ(recorder->beeps(), 0);
}

// A guid of attributes only gives nothing the next update could match: hiding
// it would last one update, so the entry is not offered and the command refuses.
TEST_F(FeedListTest, ItemWhoseGuidHasNoTextCannotBeHidden) {
    const PNSignRef sign = postedSign(QStringLiteral("0,") + kFeed);
    addFeed(kFeed, {{"title", "C"}}, {QVariantMap{{"guid", attributes({{"isPermaLink", "false"}})}}}, {sign});
    click(0, kFeed);
    EXPECT_FALSE(menu().infoMenu->actions().contains(menu().dontShowAgainItem));
    menu().dontShowAgainItem->trigger(); // as a menu left from before would
    EXPECT_EQ(recorder->beeps(), 1);
    EXPECT_TRUE(store().hiddenItemsByFeed().isEmpty());
    EXPECT_TRUE(server.settings.value(QStringLiteral("ignored")).toMap().isEmpty());
    EXPECT_EQ(server.onTicker(), QList<PNSignRef>{sign});
}

TEST_F(FeedListTest, SetIntervalKeepsAnEqualTimerPassesOverDisabledFeedsFloorsAndStores) {
    plugin->preferences().setUseTTL(false);
    subscribeTwo(3600);
    const auto kept = timers()->at(1);
    addFeed(kFeed, {{"title", "C"}, {"ttl", "60"}}, {QVariantMap{{"title", "x"}}});
    click(0, kFeed);
    menu().setUpdateIntervalToItem->trigger();
    EXPECT_EQ(timers()->at(0), nullptr);
    EXPECT_EQ(timers()->at(1), kept);
    EXPECT_TRUE(kept->isValid());
    EXPECT_EQ(store().records().at(0).toMap(), record(kOther, 5, false));
    EXPECT_EQ(store().records().at(1).toMap(), record(kFeed, 60, true));
    EXPECT_EQ(storedFeeds(), store().records());

    // A different period replaces the timer in its place, without firing it.
    addFeed(kFeed, {{"title", "C"}, {"ttl", attributes({{"x", "y"}, {"text", "30"}})}},
            {QVariantMap{{"title", "x"}}});
    click(0, kFeed);
    menu().setUpdateIntervalToItem->trigger();
    EXPECT_FALSE(kept->isValid());
    ASSERT_EQ(timers()->size(), 2);
    EXPECT_EQ(timers()->at(1)->timeInterval(), 1800.0);
    EXPECT_EQ(timers()->at(1)->userInfo(), QVariant(kFeed));
    EXPECT_FALSE(plugin->updatesRunning()) << "changing the period does not fire the timer";
    EXPECT_EQ(storedFeeds().at(1).toMap().value("interval"), QVariant(30));

    // A time-to-live of zero or less gives the one-minute floor.
    addFeed(kFeed, {{"title", "C"}, {"ttl", "-5"}}, {QVariantMap{{"title", "x"}}});
    click(0, kFeed);
    menu().setUpdateIntervalToItem->trigger();
    EXPECT_EQ(timers()->at(1)->timeInterval(), 60.0);
    EXPECT_EQ(store().records().at(1).toMap().value("interval"), QVariant(1));
}

TEST_F(FeedListTest, UnsubscribeDropsTimerRecordAndSignsAndStores) {
    subscribeTwo(900);
    const auto timer = timers()->at(1);
    const PNSignRef sign = postedSign(QStringLiteral("0,") + kFeed);
    const PNSignRef otherSign = postedSign(QStringLiteral("0,") + kOther);
    addFeed(kFeed, {{"title", "C"}}, {QVariantMap{{"title", "x"}}}, {sign});
    addFeed(kOther, {{"title", "O"}}, {QVariantMap{{"title", "y"}}}, {otherSign});
    click(0, kFeed);
    menu().unsubscribeFromFeedItem->trigger();
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(timers()->size(), 1);
    EXPECT_EQ(timers()->at(0), nullptr);
    EXPECT_EQ(store().records(), QVariantList{record(kOther, 5, false)});
    EXPECT_EQ(storedFeeds(), store().records());
    EXPECT_EQ(server.onTicker(), QList<PNSignRef>{otherSign});
    EXPECT_TRUE(store().feed(kFeed)->tickers->isEmpty());
    // A later deactivation has nothing of it left to take off.
    plugin->deactivate();
    EXPECT_TRUE(server.onTicker().isEmpty());
}

TEST_F(FeedListTest, UnsubscribeOffersUndoThatBringsBackTheRecordItsPlaceIntervalAndHiddenItems) {
    subscribeTwo(900);
    store().load(QVariantList{record(kFeed, 15, true), record(kOther, 5, false)},
                 QVariantMap{{kFeed, QVariantList{"guid-1"}}});
    plugin->feedSchedule().start(store().records(), false);
    addFeed(kFeed, {{"title", "City Desk"}}, {QVariantMap{{"title", "x"}}}, {postedSign("0," + kFeed)});
    const int statusBefore = server.statusChanges;
    click(0, kFeed);
    menu().unsubscribeFromFeedItem->trigger();
    EXPECT_GT(server.statusChanges, statusBefore) << "the host learns the list changed";
    ASSERT_TRUE(server.undo);
    EXPECT_EQ(server.undoText, QStringLiteral("Unsubscribed from City Desk"));
    EXPECT_EQ(store().records(), QVariantList{record(kOther, 5, false)});
    // Meanwhile the hidden items are cleared by hand; undo brings them back too.
    store().clearHiddenItems();

    server.undo();
    EXPECT_EQ(store().records(), (QVariantList{record(kFeed, 15, true), record(kOther, 5, false)}));
    EXPECT_EQ(storedFeeds(), store().records());
    EXPECT_EQ(store().hiddenItems(kFeed), QVariantList{"guid-1"});
    EXPECT_EQ(server.settings.value("ignored").toMap().value(kFeed).toList(), QVariantList{"guid-1"});
    // Its timer is back at its pace (and fired at once: the headlines return).
    ASSERT_TRUE(plugin->feedSchedule().nextFireDate(kFeed).isValid());
    const auto timer =
        std::find_if(timers()->begin(), timers()->end(), [](const auto& t) { return t && t->isValid(); });
    ASSERT_NE(timer, timers()->end());
    EXPECT_EQ((*timer)->timeInterval(), 900.0);

    // Undone once the feed is listed again by other means: the newer record stays.
    click(0, kFeed);
    menu().unsubscribeFromFeedItem->trigger();
    store().subscribe(kFeed, 60);
    const int beeps = recorder->beeps();
    server.undo();
    EXPECT_EQ(store().count(), 2);
    EXPECT_EQ(store().records().last().toMap().value("interval"), QVariant(60));
    EXPECT_EQ(recorder->beeps(), beeps + 1);
}

// The undo offer names the feed as its signs do, on one line; a channel without
// a title's text is named by its address.
TEST_F(FeedListTest, UnsubscribeNamesTheFeedByItsChannelTitleElseItsAddress) {
    subscribeTwo(900);
    addFeed(kFeed, {{"title", attributes({{"text", " City\n Desk "}, {"lang", "en"}})}},
            {QVariantMap{{"title", "x"}}});
    click(0, kFeed);
    menu().unsubscribeFromFeedItem->trigger();
    EXPECT_EQ(server.undoText, QStringLiteral("Unsubscribed from City Desk"));
    addFeed(kOther, {{"title", attributes({{"lang", "en"}})}}, {QVariantMap{{"title", "y"}}});
    click(0, kOther);
    menu().unsubscribeFromFeedItem->trigger();
    EXPECT_EQ(server.undoText, QStringLiteral("Unsubscribed from ") + kOther);
}

TEST_F(FeedListTest, SubscribeAddsOnlyAnExactlyNewAddressAndStartsItsFirstUpdate) {
    const QString source = QStringLiteral("http://127.0.0.1:9/Source");
    subscribeTwo(900);
    store().append(record(source, 10, true));
    addFeed(kFeed, {{"title", "C"}},
            {QVariantMap{{"source", attributes({{"url", source}, {"text", "S"}})}},
             QVariantMap{{"source", attributes({{"url", "http://127.0.0.1:9/source"}, {"text", "s"}})}}});
    const int changes = server.preferenceChanges.load();
    click(0, kFeed);
    menu().subscribeToSourceItem->trigger();
    EXPECT_EQ(store().count(), 3);
    EXPECT_EQ(timers()->size(), 2);
    EXPECT_EQ(server.preferenceChanges.load(), changes);

    click(1, kFeed);
    menu().subscribeToSourceItem->trigger();
    ASSERT_EQ(store().count(), 4);
    EXPECT_EQ(store().records().last().toMap(), record("http://127.0.0.1:9/source", 60, true));
    EXPECT_EQ(storedFeeds(), store().records());
    ASSERT_EQ(timers()->size(), 3);
    EXPECT_EQ(timers()->last()->timeInterval(), 3600.0);
    EXPECT_EQ(timers()->last()->userInfo(), QVariant("http://127.0.0.1:9/source"));
    // Fired at once: the first update has started, and it ends.
    EXPECT_TRUE(waitForUpdates());
    EXPECT_GE(server.idleReports.load(), 1);
    EXPECT_FALSE(recorder->logLines().contains(QStringLiteral("adding timer for feed #3")));
}

// Anything but a web address would be fetched (a local file, a pipe that blocks
// the update for good) and kept for every later start.
TEST_F(FeedListTest, SubscribeTakesOnlyWebSourcesAndBeepsAtTheRest) {
    subscribeTwo(900);
    const QStringList refused{"file:///etc/passwd",
                              "javascript:alert(1)",
                              "file:///tmp/fifo",
                              "ftp://127.0.0.1/feed",
                              "http://",
                              "/etc/passwd",
                              "",
                              "   "};
    QVariantList items;
    for (const QString& url : refused)
        items << QVariantMap{{"source", attributes({{"url", url}, {"text", "S"}})}};
    items << QVariantMap{{"source", attributes({{"url", " http://127.0.0.1:9/feed\n"}, {"text", "S"}})}};
    addFeed(kFeed, {{"title", "C"}}, items);
    for (int i = 0; i < refused.size(); ++i) {
        click(i, kFeed);
        menu().subscribeToSourceItem->trigger();
    }
    EXPECT_EQ(recorder->beeps(), refused.size());
    EXPECT_EQ(store().count(), 2);
    EXPECT_EQ(timers()->size(), 2);
    EXPECT_FALSE(server.settings.value(QStringLiteral("feeds")).toList().size() > 0);

    click(int(refused.size()), kFeed);
    menu().subscribeToSourceItem->trigger();
    ASSERT_EQ(store().count(), 3);
    EXPECT_EQ(store().records().last().toMap(), record("http://127.0.0.1:9/feed", 60, true));
    EXPECT_TRUE(waitForUpdates());
}
