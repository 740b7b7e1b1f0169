#include "menu/SafeOpener.h"
#include "tests/menu/MenuFixture.h"

namespace {

const QString kFeed = QStringLiteral("http://127.0.0.1/feed");

} // namespace

TEST(MailRule, HandsOnOnlyAPlainAddressAndRefusesWhatCouldAddRecipientsHeadersOrAttachments) {
    const std::pair<const char*, const char*> handedOn[] = {
        {"mailto:ann@example.org", "mailto:ann@example.org"},
        {"ann@example.org (Ann Smith)", "mailto:ann@example.org"},
        {"o'brien+news@mail.example.org", "mailto:o'brien+news@mail.example.org"},
        {"j\u00f6rg@b\u00fccher.example", "mailto:j\u00f6rg@b\u00fccher.example"},
        {"ann@example.org?subject=hi&attach=/etc/passwd", "mailto:ann@example.org"},
        {"a@b?attachment=/etc/passwd&body=x", "mailto:a@b"},
        // As feeds write their people: the address is found in the field.
        {"Ann Smith (ann@example.org)", "mailto:ann@example.org"},
        {"Ann Smith <ann@example.org>", "mailto:ann@example.org"},
        {"\"Smith, Ann\" <mailto:ann@example.org>", "mailto:ann@example.org"},
        {"\n      ann@example.org (Ann)\n    ", "mailto:ann@example.org"},
        {"MAILTO:ann@example.org", "mailto:ann@example.org"},
        {"Ann mailto:ann@example.org", "mailto:ann@example.org"},
        {"<a@b>", "mailto:a@b"},
    };
    for (const auto& [field, expected] : handedOn)
        EXPECT_EQ(mailURLForField(QString::fromUtf8(field)), QString::fromUtf8(expected)) << field;
    const auto refuses = [](std::initializer_list<const char*> fields) {
        for (const char* field : fields)
            EXPECT_EQ(mailURLForField(QString::fromUtf8(field)), QString()) << field;
    };
    // No plain address is left: nothing to hand on.
    refuses({"Ann Smith", "ann", "@example.org", "ann@", "a@b@c", "a..b@c", "a@-b.c", "a@b..c",
             "Ann <ann@example.org", "Ann (a@b@c)", "Ann <> a@b.c"});
    // What the cut at "?" alone would let through.
    refuses({"a@b.c&attach=/etc/passwd", "a@b.c&cc=x@evil.example", "a@b.c%3Fattach=/x", "a%40b@c", "a@b#x",
             "a;b@c", "<a@b&cc=c@d>", "\"a b\"@c"});
    refuses({"ann@example.org,eve@example.org", "a@b,attachment=~/.ssh/id_rsa",
             "ann@example.org%2Ceve@example.org"});
    refuses({"ann@example.org%0D%0ABcc:eve@example.org", "ann@example.org\nBcc:eve@example.org",
             "a@b\r\nBcc: eve@example.org", "a@b\rX-Header: 1"});
}

// Every entry that opens an address, and a link clicked in a description.
TEST_F(MenuTest, OnlyWebAddressesReachTheWorkspace) {
    const QStringList refused{"javascript:alert(document.cookie)",
                              " JaVaScRiPt:alert(1)",
                              "file:///usr/share/applications/x.desktop",
                              "/etc/passwd",
                              "|date",
                              "; rm -rf ~",
                              "exec:/bin/sh",
                              "data:text/html;base64,PHNjcmlwdD5hbGVydCgxKTwvc2NyaXB0Pg==",
                              "x-custom-app://run?x=1",
                              "not a url at all",
                              "http://",
                              "http:///etc/passwd",
                              "ftp://127.0.0.1/a",
                              "mailto:a@example.org"};
    QVariantList items;
    for (const QString& address : refused)
        items << QVariantMap{{"link", address},
                             {"comments", address},
                             {"enclosure", attributes({{"url", address}, {"type", "audio/mpeg"}})}};
    items << QVariantMap{{"link", "\n   https://127.0.0.1/page?q=1\n "}};
    for (int i = 0; i < refused.size(); ++i) {
        SCOPED_TRACE(refused[i].toStdString());
        addFeed(kFeed, {{"title", "C"}, {"link", refused[i]}}, items);
        const int beeps = recorder->beeps();
        click(i, kFeed);
        for (QAction* entry : {menu().openItemLinkInBrowserItem, menu().openCommentsPageItem,
                               menu().downloadEnclosureItem, menu().openFeedLinkInBrowserItem})
            entry->trigger();
        const bool mail = refused[i].startsWith(u"mailto"); // clicked, it follows the mail rule
        if (!mail) openClickedLink(QUrl(refused[i]));
        EXPECT_EQ(recorder->beeps(), beeps + (mail ? 4 : 5));
    }
    EXPECT_TRUE(recorder->openedURLs().isEmpty()) << recorder->openedURLs().join(' ').toStdString();
    click(int(refused.size()), kFeed);
    menu().openItemLinkInBrowserItem->trigger();
    EXPECT_EQ(recorder->openedURLs(), QStringList{"https://127.0.0.1/page?q=1"});
}

TEST_F(MenuTest, AttributeFieldsAreUsedThroughTheirTextAndTheEnclosureThroughItsURL) {
    addFeed(
        kFeed,
        {{"title", "C"},
         {"link", attributes({{"rel", "x"}, {"text", "http://127.0.0.1/home"}})},
         {"webMaster", attributes({{"x", "y"}, {"text", "web@example.org (Web)"}})}},
        {QVariantMap{{"comments", attributes({{"x", "y"}, {"text", "http://127.0.0.1/comments"}})},
                     {"enclosure", attributes({{"url", "http://127.0.0.1/e.mp3"}, {"type", "audio/mpeg"}})},
                     {"author", attributes({{"x", "y"}, {"text", "ann@example.org (Ann)"}})}}});
    click(0, kFeed);
    for (QAction* entry : {menu().openFeedLinkInBrowserItem, menu().openCommentsPageItem,
                           menu().downloadEnclosureItem, menu().emailAuthorItem, menu().emailWebmasterItem})
        entry->trigger();
    EXPECT_EQ(recorder->openedURLs(),
              (QStringList{"http://127.0.0.1/home", "http://127.0.0.1/comments", "http://127.0.0.1/e.mp3",
                           "mailto:ann@example.org", "mailto:web@example.org"}));
    EXPECT_EQ(recorder->beeps(), 0);
}

TEST_F(MenuTest, MailEntriesOpenOnlyAPlainAddressAndBeepWhenRefused) {
    addFeed(kFeed, {{"title", "C"}, {"managingEditor", "ed@example.org,eve@example.org"}},
            {QVariantMap{{"author", "ann@example.org?attach=~/.ssh/id_rsa"}}});
    click(0, kFeed);
    menu().emailManagingEditorItem->trigger();
    EXPECT_EQ(recorder->beeps(), 1);
    EXPECT_TRUE(recorder->openedURLs().isEmpty());
    menu().emailAuthorItem->trigger();
    EXPECT_EQ(recorder->openedURLs(), QStringList{"mailto:ann@example.org"});
    recorder->opener = [](const QUrl&) { return false; }; // no handler takes it
    menu().emailAuthorItem->trigger();
    EXPECT_EQ(recorder->openedURLs().size(), 2);
    EXPECT_EQ(recorder->beeps(), 2);
}

TEST_F(MenuTest, CommandsWhoseContextNoLongerResolvesOnlyBeep) {
    // Before any click there is no context at all.
    menu().unsubscribeFromFeedItem->trigger();
    menu().openItemLinkInBrowserItem->trigger();
    EXPECT_EQ(recorder->beeps(), 2);

    addFeed(kFeed, {{"title", "C"}, {"link", "http://127.0.0.1/"}},
            {QVariantMap{{"link", "http://127.0.0.1/a"}, {"guid", "a"}}});
    click(0, kFeed);
    // An update rebuilt the feed: another item now stands at the clicked index.
    addFeed(kFeed, {{"title", "C"}, {"link", "http://127.0.0.1/"}},
            {QVariantMap{{"link", "http://127.0.0.1/b"}, {"guid", "b"}}});
    menu().openItemLinkInBrowserItem->trigger();
    menu().dontShowAgainItem->trigger();
    EXPECT_EQ(recorder->beeps(), 4);
    EXPECT_TRUE(recorder->openedURLs().isEmpty());
    EXPECT_TRUE(store().hiddenItemsByFeed().isEmpty());
    // The channel is still the clicked feed's.
    menu().openFeedLinkInBrowserItem->trigger();
    EXPECT_EQ(recorder->openedURLs(), QStringList{"http://127.0.0.1/"});
    // Now the feed is gone altogether.
    store().forget(kFeed);
    menu().openFeedLinkInBrowserItem->trigger();
    menu().showFullFeedDescriptionItem->trigger();
    EXPECT_EQ(recorder->beeps(), 6);
    EXPECT_TRUE(recorder->logLines().isEmpty());
}

TEST_F(MenuTest, CommandsFindTheClickedItemAgainByGuidElseLinkElseTitle) {
    const QVariantMap byGuid{{"guid", "g"}, {"link", "http://127.0.0.1/g"}, {"pubDate", "Mon"}};
    const QVariantMap byLink{{"link", "http://127.0.0.1/l"}, {"title", "L"}, {"pubDate", "Mon"}};
    const QVariantMap byTitle{{"title", "T"}, {"comments", "http://127.0.0.1/t"}, {"pubDate", "Mon"}};
    const QVariantMap fresh{{"guid", "new"}, {"link", "http://127.0.0.1/new"}, {"title", "T2"}};
    const auto redated = [](QVariantMap item, const char* date) {
        item.insert("pubDate", date);
        return item;
    };
    // Refetched with only a new date; then with a new item ahead of it.
    addFeed(kFeed, {{"title", "C"}}, {byGuid, byLink, byTitle});
    click(0, kFeed);
    addFeed(kFeed, {{"title", "C"}}, {redated(byGuid, "Tue"), byLink, byTitle});
    menu().openItemLinkInBrowserItem->trigger();
    addFeed(kFeed, {{"title", "C"}}, {fresh, redated(byGuid, "Wed"), byLink, byTitle});
    menu().openItemLinkInBrowserItem->trigger();
    // The guid names an item whatever its link becomes.
    click(1, kFeed);
    QVariantMap relinked = byGuid;
    relinked.insert("link", "http://127.0.0.1/g2");
    addFeed(kFeed, {{"title", "C"}}, {fresh, relinked, byLink, byTitle});
    menu().openItemLinkInBrowserItem->trigger();
    // Without a guid, the link; without a link, the title.
    click(2, kFeed);
    addFeed(kFeed, {{"title", "C"}}, {byTitle, redated(byLink, "Tue")});
    menu().openItemLinkInBrowserItem->trigger();
    click(0, kFeed);
    addFeed(kFeed, {{"title", "C"}}, {fresh, redated(byTitle, "Tue")});
    menu().openCommentsPageItem->trigger();
    EXPECT_EQ(recorder->openedURLs(),
              (QStringList{"http://127.0.0.1/g", "http://127.0.0.1/g", "http://127.0.0.1/g2",
                           "http://127.0.0.1/l", "http://127.0.0.1/t"}));
    EXPECT_EQ(recorder->beeps(), 0);

    // Gone altogether: the stale click still only beeps.
    click(0, kFeed);
    addFeed(kFeed, {{"title", "C"}}, {byLink});
    menu().openItemLinkInBrowserItem->trigger();
    EXPECT_EQ(recorder->beeps(), 1);
    EXPECT_EQ(recorder->openedURLs().size(), 5);
}

TEST_F(MenuTest, CloseDoesNothingAndAnyOtherSenderIsLoggedOnce) {
    menu().closeItem->trigger();
    EXPECT_TRUE(recorder->logLines().isEmpty());
    menu().itemPublicationDateItem->trigger(); // an information entry sends nothing
    QAction stranger;
    plugin->infoMenu().doActionableMenuItem(&stranger);
    plugin->infoMenu().doActionableMenuItem(menu().generatorItem);
    EXPECT_EQ(recorder->logLines(),
              (QStringList{"menu command not implemented!", "menu command not implemented!"}));
    EXPECT_EQ(recorder->beeps(), 0);
}

TEST_F(MenuTest, HeadlineEntryAndOneStepOpenTheItemsLinkThroughTheSafeOpener) {
    const QString feed = QStringLiteral("http://127.0.0.1/feed");
    addFeed(feed, {{"title", "C"}},
            {QVariantMap{{"title", "a"}, {"link", " https://127.0.0.1/a\n"}},
             QVariantMap{{"title", "b"}, {"link", "file:///etc/passwd"}}, QVariantMap{{"title", "c"}}});
    // The menu's top entry, the headline, opens its page.
    click(0, feed);
    menu().itemTitleItem->trigger();
    EXPECT_EQ(recorder->openedURLs(), QStringList{"https://127.0.0.1/a"});

    // Straight from the sign, no menu: the same rule for what may open.
    const int popUpsBefore = popUps;
    EXPECT_TRUE(plugin->openLinkForAction("0," + feed));
    EXPECT_FALSE(plugin->openLinkForAction("1," + feed));
    EXPECT_FALSE(plugin->openLinkForAction("2," + feed)) << "no link";
    EXPECT_FALSE(plugin->openLinkForAction("7," + feed)) << "no such item";
    EXPECT_FALSE(plugin->openLinkForAction("nonsense"));
    EXPECT_EQ(popUps, popUpsBefore);
    EXPECT_EQ(recorder->openedURLs(), (QStringList{"https://127.0.0.1/a", "https://127.0.0.1/a"}));
    EXPECT_EQ(recorder->beeps(), 4);
}
