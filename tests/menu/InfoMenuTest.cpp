#include "parser/FeedDictionaryForm.h"
#include "tests/menu/MenuFixture.h"

#include <QTextDocumentFragment>

namespace {

const QString kFeed = QStringLiteral("http://127.0.0.1/feed?a=1,b=2");

QVariantMap titled(const QString& title) {
    return {{QStringLiteral("title"), title}};
}

QString plainTip(const QAction* entry) {
    return QTextDocumentFragment::fromHtml(entry->toolTip()).toPlainText();
}

} // namespace

TEST_F(MenuTest, ActionStringSplitsAtTheFirstCommaOnlyAndStaleOrMalformedClicksKeepTheContext) {
    addFeed(kFeed, titled(QStringLiteral("Channel")),
            {titled("zero"), titled("one"), titled("two"), titled("three"), titled("four")});
    plugin->performAction(itemActionString(3, kFeed));
    EXPECT_EQ(popUps, 1);
    EXPECT_EQ(poppedUp, menu().infoMenu);
    EXPECT_EQ(menu().feedTitleItem->data(), QVariant(kFeed));
    EXPECT_EQ(menu().feedTitleItem->text(), QStringLiteral("Channel"));
    for (const QString& action :
         {QStringLiteral("no comma at all"), QStringLiteral("0,http://127.0.0.1/gone"),
          QStringLiteral("5,") + kFeed, QStringLiteral("-1,") + kFeed, QString()})
        plugin->performAction(action);
    EXPECT_EQ(popUps, 1);
    EXPECT_EQ(recorder->beeps(), 0);
    EXPECT_EQ(menu().itemTitleItem->data(), QVariant(3));
    EXPECT_EQ(menu().itemTitleItem->text(), QStringLiteral("three"));
}

TEST_F(MenuTest, LongTitlesAreShortenedWithTheirWholeTextAsToolTipAndShortOnesHaveNone) {
    const QString thirty(30, u'a');
    const QString thirtyOne = QStringLiteral("b") + QString(30, u'c');
    const QString longChannel = QString(40, u'L');
    addFeed(kFeed, titled(longChannel),
            {titled(thirty), titled(thirtyOne), QVariantMap{{"description", thirtyOne}}});
    addFeed(QStringLiteral("http://127.0.0.1/short"), titled(QStringLiteral("Short")), {titled("tiny")});

    click(0, kFeed);
    EXPECT_EQ(menu().itemTitleItem->text(), thirty);
    EXPECT_EQ(menu().feedTitleItem->text(), QString(27, u'L') + QStringLiteral("..."));
    EXPECT_EQ(plainTip(menu().feedTitleItem), longChannel);

    click(1, kFeed);
    EXPECT_EQ(menu().itemTitleItem->text(), thirtyOne.left(27) + QStringLiteral("..."));
    EXPECT_EQ(plainTip(menu().itemTitleItem), thirtyOne);

    // An item without a title is named by its description, by the same rule.
    click(2, kFeed);
    EXPECT_EQ(menu().itemTitleItem->text(), thirtyOne.left(27) + QStringLiteral("..."));

    // A whole title leaves no tool tip of an earlier click behind (an entry
    // without one answers its own text).
    click(0, QStringLiteral("http://127.0.0.1/short"));
    EXPECT_EQ(menu().itemTitleItem->text(), QStringLiteral("tiny"));
    EXPECT_EQ(plainTip(menu().itemTitleItem), QStringLiteral("tiny"));
    EXPECT_EQ(menu().feedTitleItem->text(), QStringLiteral("Short"));
    EXPECT_EQ(plainTip(menu().feedTitleItem), QStringLiteral("Short"));
}

TEST_F(MenuTest, FeedTextIsNeitherMnemonicNorMarkup) {
    const QString markup = QStringLiteral("Q&A: <b>bold</b> & <img src=x> and then some more words");
    addFeed(kFeed, titled(QStringLiteral("R&D")), {titled(markup)});
    click(0, kFeed);
    EXPECT_EQ(menu().feedTitleItem->text(), QStringLiteral("R&&D"));
    EXPECT_TRUE(menu().itemTitleItem->text().startsWith(QStringLiteral("Q&&A: <b>bold")));
    EXPECT_FALSE(menu().itemTitleItem->toolTip().contains(QStringLiteral("<b>")));
    EXPECT_EQ(plainTip(menu().itemTitleItem), markup);
}

// An untitled item's headline entry shows the plain text of its description, as
// its sign does.
TEST_F(MenuTest, AnUntitledItemsHeadlineIsThePlainTextOfItsDescription) {
    const QString html = QStringLiteral("<p>Caf&eacute; &amp; <b>bar</b>\n open</p>");
    addFeed(kFeed, titled(QStringLiteral("Desk")), {QVariantMap{{QStringLiteral("description"), html}}});
    click(0, kFeed);
    EXPECT_EQ(menu().itemTitleItem->text(), QStringLiteral("Caf\u00e9 && bar open"));
}

// The feed's entry shows the text of the channel's title whatever form it came
// in, as its signs do; a title without text leaves the entry blank.
TEST_F(MenuTest, FeedEntryShowsTheTextOfTheChannelsTitle) {
    addFeed(kFeed, {{"title", attributes({{"text", "City Desk"}, {"lang", "en"}})}}, {titled("x")});
    addFeed(QStringLiteral("http://127.0.0.1/textless"), {{"title", attributes({{"lang", "en"}})}},
            {titled("y")});
    click(0, kFeed);
    EXPECT_EQ(menu().feedTitleItem->text(), QStringLiteral("City Desk"));
    click(0, QStringLiteral("http://127.0.0.1/textless"));
    EXPECT_EQ(menu().feedTitleItem->text(), QString());
    EXPECT_EQ(menu().itemTitleItem->text(), QStringLiteral("y"));
}

TEST_F(MenuTest, TwoClicksLeaveExactlyTheSecondItemsEntriesInTableOrder) {
    const QVariantMap full{{"title", "Full"},
                           {"description", "<p>d</p>"},
                           {"link", "http://127.0.0.1/a"},
                           {"author", "a@example.org (A)"},
                           {"comments", "http://127.0.0.1/c"},
                           {"enclosure", attributes({{"url", "http://127.0.0.1/e.mp3"}})},
                           {"pubDate", "Mon, 1 Jan 2024"},
                           {"categories", QVariantList{"News"}}};
    const QVariantMap sparse{{"title", "Sparse"},
                             {"link", "http://127.0.0.1/b"},
                             {"guid", "g-1"},
                             {"source", attributes({{"url", "http://127.0.0.1/src"}, {"text", "Src"}})},
                             {"pubDate", "Tue, 2 Jan 2024"}};
    addFeed(kFeed, titled(QStringLiteral("C")), {full, sparse});

    click(0, kFeed);
    click(1, kFeed);
    EXPECT_EQ(names(itemInfo()), (QStringList{"openItemLinkInBrowserItem", "subscribeToSourceItem", "-",
                                              "itemPublicationDateItem", "sourceItem"}));
    EXPECT_EQ(itemInfo()->actions().at(3)->text(), QStringLiteral("Publication Date: Tue, 2 Jan 2024"));
    EXPECT_EQ(menu().sourceItem->text(), QStringLiteral("Source: Src"));
    EXPECT_EQ(menu().infoMenu->actions().indexOf(menu().dontShowAgainItem), 6);

    click(0, kFeed);
    EXPECT_EQ(names(itemInfo()),
              (QStringList{"showFullItemDescriptionItem", "openItemLinkInBrowserItem", "emailAuthorItem",
                           "openCommentsPageItem", "downloadEnclosureItem", "-", "itemPublicationDateItem",
                           "itemCategoryItem"}));
    EXPECT_EQ(menu().itemCategoryItem->text(), QStringLiteral("Category: News"));
    EXPECT_FALSE(menu().infoMenu->actions().contains(menu().dontShowAgainItem));
    EXPECT_EQ(names(menu().infoMenu).mid(6), (QStringList{"unsubscribeFromFeedItem", "-", "closeItem"}));
}

TEST_F(MenuTest, SetIntervalEntryOnlyWhileTimeToLiveIsNotAdopted) {
    addFeed(kFeed,
            {{"title", "C"},
             {"description", "d"},
             {"link", "http://127.0.0.1/"},
             {"ttl", "60"},
             {"language", "en"}},
            {titled("x")});
    click(0, kFeed);
    EXPECT_EQ(names(feedInfo()),
              (QStringList{"showFullFeedDescriptionItem", "openFeedLinkInBrowserItem", "-", "languageItem"}));
    plugin->preferences().setUseTTL(false);
    click(0, kFeed);
    EXPECT_EQ(feedInfo()->actions().indexOf(menu().setUpdateIntervalToItem), 2);
    EXPECT_EQ(menu().setUpdateIntervalToItem->text(), QStringLiteral("Set Update Interval to 60"));
    EXPECT_EQ(menu().languageItem->text(), QStringLiteral("Language: en"));
    plugin->preferences().setUseTTL(true);
    click(0, kFeed);
    EXPECT_FALSE(feedInfo()->actions().contains(menu().setUpdateIntervalToItem));
}

TEST_F(MenuTest, OneCategoryIsATitleAndManyAreASubmenuThatGoesAgain) {
    addFeed(kFeed, titled(QStringLiteral("C")),
            {QVariantMap{{"categories", QVariantList{attributes({{"domain", "d"}, {"text", "Only"}})}}},
             QVariantMap{{"categories", QVariantList{"First", attributes({{"domain", "d"}}),
                                                     attributes({{"text", "Third"}})}}},
             QVariantMap{{"categories",
                          QVariantList{attributes({{"domain", "a"}}), attributes({{"domain", "b"}})}}}});
    click(1, kFeed);
    EXPECT_EQ(menu().itemCategoryItem->text(), QStringLiteral("Category: "));
    QMenu* list = menu().itemCategoryItem->menu<QMenu*>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->actions().size(), 2);
    EXPECT_EQ(list->actions().at(0)->text(), QStringLiteral("First"));
    EXPECT_EQ(list->actions().at(1)->text(), QStringLiteral("Third"));

    click(0, kFeed);
    EXPECT_EQ(menu().itemCategoryItem->text(), QStringLiteral("Category: Only"));
    EXPECT_FALSE(menu().itemCategoryItem->menu<QMenu*>());

    click(2, kFeed);
    EXPECT_EQ(menu().itemCategoryItem->text(), QStringLiteral("Category: "));
    EXPECT_FALSE(menu().itemCategoryItem->menu<QMenu*>());
}

// A feed can carry any number of categories; the menu lists the first ones and
// counts the rest, so a click on it still pops up at once.
TEST_F(MenuTest, LongCategoryListsShowTheirFirstFiftyAndCountTheRest) {
    QVariantList many;
    for (int i = 0; i < 300'000; ++i)
        many << (i % 2 ? QVariant(attributes({{"domain", "d"}})) : QVariant(QStringLiteral("c%1").arg(i)));
    addFeed(kFeed, {{"title", "C"}, {"categories", many}}, {titled("x")});
    click(0, kFeed);
    const QMenu* list = menu().feedCategoryItem->menu<QMenu*>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->actions().size(), 51);
    EXPECT_EQ(list->actions().at(49)->text(), QStringLiteral("c98"));
    EXPECT_EQ(list->actions().last()->text(), QStringLiteral("and 149950 more"));
    EXPECT_FALSE(list->actions().last()->isEnabled());
}

TEST_F(MenuTest, SubscribeEntryNeedsASourceWithAnAddress) {
    addFeed(kFeed, titled(QStringLiteral("C")),
            {QVariantMap{{"source", "Plain Source"}},
             QVariantMap{{"source", attributes({{"url", "http://127.0.0.1/s"}, {"text", "S"}})}}});
    click(1, kFeed);
    EXPECT_TRUE(itemInfo()->actions().contains(menu().subscribeToSourceItem));
    EXPECT_EQ(menu().sourceItem->text(), QStringLiteral("Source: S"));
    click(0, kFeed);
    EXPECT_EQ(names(itemInfo()), (QStringList{"-", "sourceItem"}));
    EXPECT_EQ(menu().sourceItem->text(), QStringLiteral("Source: Plain Source"));
}

TEST_F(MenuTest, EntryUpdaterKeepsPlacesAndDropsStaleTitles) {
    QAction* entry = menu().generatorItem;
    QMenu* menu = feedInfo();
    const QString prefix = QStringLiteral("Generator: ");
    const int at = int(menu->actions().indexOf(entry));
    // Present and already in the menu: not moved, whatever index is asked for.
    EXPECT_TRUE(
        updateMenuItem(entry, menu, 0, channelOfDictionary({{"generator", "G"}}), "generator", &prefix));
    EXPECT_EQ(menu->actions().indexOf(entry), at);
    EXPECT_EQ(entry->text(), QStringLiteral("Generator: G"));
    // Without a prefix the title stays.
    EXPECT_TRUE(
        updateMenuItem(entry, menu, 0, channelOfDictionary({{"generator", "H"}}), "generator", nullptr));
    EXPECT_EQ(entry->text(), QStringLiteral("Generator: G"));
    // Attributes without text give the bare prefix.
    EXPECT_TRUE(updateMenuItem(entry, menu, 0, channelOfDictionary({{"generator", attributes({{"v", "1"}})}}),
                               "generator", &prefix));
    EXPECT_EQ(entry->text(), prefix);
    EXPECT_FALSE(updateMenuItem(entry, menu, 0, channelOfDictionary({}), "generator", &prefix));
    EXPECT_FALSE(menu->actions().contains(entry));
    EXPECT_FALSE(updateMenuItem(entry, menu, 0, channelOfDictionary({}), "generator", &prefix));
    // Missing and present again: inserted at the index.
    EXPECT_TRUE(
        updateMenuItem(entry, menu, 1, channelOfDictionary({{"generator", "G"}}), "generator", nullptr));
    EXPECT_EQ(menu->actions().indexOf(entry), 1);
}
