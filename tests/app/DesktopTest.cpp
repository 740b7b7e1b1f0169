// The window host as a desktop program: the empty strip's notice, sign tool tips,
// the screen it docks on and the preferences window's keys.
#include "tests/app/WindowTestSupport.h"

#include "app/window/PreferencesWindow.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <thread>

namespace {

// A plug-in's sources as PNSourceStatus reports them.
class FakeSources : public PNSourceStatus {
  public:
    QVariantList sourceStatus() const override { return sources; }
    void refreshNow() override {}

    static QVariantMap source(const QString& url, bool enabled, const QString& state) {
        return {{"url", url}, {"enabled", enabled}, {"state", state}, {"message", QString()}, {"items", 0}};
    }
    QVariantList sources;
};

const QString kAddFirstFeed = QStringLiteral("No news yet — right-click for Preferences… to add a feed");

QMenu* submenu(QMenu* menu, const QString& title) {
    for (QAction* a : menu->actions())
        if (a->menu() && a->text() == title) return a->menu();
    return nullptr;
}

} // namespace

TEST_F(WindowHostTest, EmptyStripTellsHowToAddAFeedOrThatTheFeedsFailAndOpensPreferences) {
    EXPECT_TRUE(strip->emptyNotice().isEmpty()) << "nothing reports sources: nothing to say";
    FakeSources sources;
    FakePane pane(QStringLiteral("News"));
    host->setPanes({&pane});
    host->setStatusSources({&sources});
    EXPECT_EQ(strip->emptyNotice(), kAddFirstFeed);
    EXPECT_TRUE(strip->isEmptyNoticeShown());

    // A click anywhere on it opens the preferences.
    click(QPoint(strip->width() / 2, strip->height() / 2));
    ASSERT_NE(host->preferences(), nullptr);
    EXPECT_TRUE(host->preferences()->isVisible());
    EXPECT_EQ(pane.selects, 1);
    host->preferences()->close();

    // Reports come from the plug-in's update thread; the strip learns on the main thread.
    sources.sources = {FakeSources::source("http://127.0.0.1/a", true, "failed"),
                       FakeSources::source("http://127.0.0.1/b", false, "pending"),
                       FakeSources::source("http://127.0.0.1/c", true, "failed")};
    std::thread([this] { host->sourceStatusDidChange(nullptr); }).join();
    ASSERT_TRUE(waitUntil([this] { return !strip->emptyNotice().startsWith(QStringLiteral("No news")); }));
    EXPECT_EQ(strip->emptyNotice(),
              QStringLiteral("2 feeds could not be updated — right-click for Preferences…"));
    sources.sources.removeLast();
    host->refreshEmptyNotice();
    EXPECT_EQ(strip->emptyNotice(),
              QStringLiteral("1 feed could not be updated — right-click for Preferences…"));
    sources.sources[1] = FakeSources::source("http://127.0.0.1/b", true, "updating");
    host->refreshEmptyNotice();
    EXPECT_TRUE(strip->emptyNotice().isEmpty()) << "one feed may still bring news";
    sources.sources = {FakeSources::source("http://127.0.0.1/b", false, "pending")};
    host->refreshEmptyNotice();
    EXPECT_TRUE(strip->emptyNotice().contains(QStringLiteral("turned off")));

    // The notice is the host's: a sign takes its place, and it returns when the last goes.
    const PNSignRef sign = textSign(QStringLiteral("Headline"));
    host->addSign(sign);
    ASSERT_TRUE(waitUntil([this] { return !strip->isEmptyNoticeShown(); }));
    EXPECT_EQ(host->signs().snapshot().size(), 1);
    host->removeSign(sign);
    ASSERT_TRUE(waitUntil([this] { return strip->isEmptyNoticeShown(); }));
}

TEST_F(WindowHostTest, SignsShowTheirWholeTitleAsToolTip) {
    const PNSignRef titled = textSign(QStringLiteral("Mountain village votes to k..."));
    titled->setToolTip(
        QStringLiteral("Mountain village votes to keep its <b>school</b> open\nNewsreel World Desk"));
    const PNSignRef plain = textSign(QStringLiteral("No tip"));
    const PNSignRef huge = textSign(QStringLiteral("Huge"));
    huge->setToolTip(QString(5000, u'x'));
    for (const PNSignRef& s : {titled, plain, huge})
        host->addSign(s);
    const auto tipOf = [this](const PNSignRef& sign) {
        if (!bringIn(idOf(sign))) return QStringLiteral("<never came>");
        for (const TickerStrip::Placement& p : strip->placements())
            if (p.id == idOf(sign)) return strip->toolTipAt(QPoint(p.x + p.width / 2, strip->height() / 2));
        return QString();
    };
    EXPECT_EQ(tipOf(titled), titled->toolTip());
    EXPECT_TRUE(tipOf(plain).isEmpty());
    EXPECT_EQ(tipOf(huge).size(), 1000);
    EXPECT_TRUE(strip->toolTipAt(QPoint(-5, 0)).isEmpty());
}

TEST_F(WindowHostTest, ScreenIsChosenFromTheMenuSavedAndAGoneOneFallsBackToThePrimary) {
    std::unique_ptr<QMenu> menu(host->window()->makeHostMenu());
    QMenu* screens = submenu(menu.get(), QStringLiteral("Screen"));
    ASSERT_NE(screens, nullptr);
    ASSERT_EQ(screens->actions().size(), QGuiApplication::screens().size());
    QScreen* primary = QGuiApplication::primaryScreen();
    QAction* entry = screens->actions().at(int(QGuiApplication::screens().indexOf(primary)));
    EXPECT_TRUE(entry->isChecked());
    EXPECT_TRUE(entry->text().startsWith(primary->name()));
    entry->trigger();
    EXPECT_EQ(host->hostSettings().screen(), primary->name());
    EXPECT_EQ(settings->dictionaryFor(QStringLiteral("org.pennant.host")).value("screen"), primary->name());

    host->window()->setScreenName(QStringLiteral("unplugged-monitor"));
    EXPECT_EQ(host->window()->targetScreen(), primary);
    host->window()->setFixedSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    host->window()->placeOnScreen();
    EXPECT_EQ(host->window()->geometry().width(), primary->availableGeometry().width());
    EXPECT_EQ(host->window()->geometry().bottom(), primary->availableGeometry().bottom());
}

TEST(PreferencesWindow, CloseButtonAndEscapeCloseIt) {
    FakePane pane(QStringLiteral("News"));
    PreferencesWindow window({&pane});
    window.open();
    auto* buttons = window.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Close)->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(pane.unselects, 1);

    window.open();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(pane.unselects, 2);
}

// The real plug-in's pane in the host's window.
using PreferencesWithPlugin = PluginTest;

TEST_F(PreferencesWithPlugin, AddressBeingTypedWhenTheWindowClosesIsFetchedAndStored) {
    server.settings.insert("feeds", QVariantList{record("file:///nowhere/a.xml", 30, true)});
    NewsreelPlugin& p = setUpPlugin();
    p.activate();
    ASSERT_TRUE(waitForUpdates());
    PreferencesWindow window({&p});
    window.open();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(waitUntil([&] { return window.isActiveWindow(); }));

    p.pane().outlets().addFeedButton->click();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr) << "the new row's address is open for typing";
    EXPECT_EQ(editor->selectedText(), QStringLiteral("http://"));
    const QString typed =
        QUrl::fromLocalFile(QStringLiteral(TEST_RESOURCES_DIR "/demo/science.rdf")).toString();
    QTest::keyClicks(editor, typed);
    // Closed while the cell is still open: the pane is put away with the address in it.
    window.close();
    EXPECT_TRUE(waitUntil([&] { return !server.onTicker().isEmpty(); })) << "the typed feed is fetched";
    const QVariantList stored = server.settings.value("feeds").toList();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored.at(1).toMap().value("url"), QVariant(typed));
    EXPECT_TRUE(waitForUpdates());
}
