#include "tests/app/WindowTestSupport.h"

#include "app/window/PreferencesWindow.h"

#include <QLabel>
#include <QMenu>

TEST(PreferencesWindow, OpeningClosingAndTurningPagesSelectAndUnselectEachPaneOnce) {
    FakePane pane(QStringLiteral("News")), other(QStringLiteral("B")), none(QStringLiteral("Quiet"));
    none.has = false;
    auto window = std::make_unique<PreferencesWindow>(QList<PNPrefPaneProtocol*>{&pane, &none, &other});
    EXPECT_EQ(window->pageCount(), 2);
    window->open();
    window->open(); // already open: nothing new
    EXPECT_EQ(pane.loads, 1);
    EXPECT_EQ(pane.selects, 1);
    EXPECT_EQ(pane.unselects, 0);
    EXPECT_EQ(pane.view_->window(), window.get());
    EXPECT_TRUE(pane.view_->isVisible());
    window->selectPage(1);
    EXPECT_EQ(window->selectedPane(), &other);
    EXPECT_EQ(pane.unselects, 1);
    EXPECT_EQ(other.selects, 1);

    window->close();
    window->dismiss(); // already closed
    EXPECT_EQ(other.unselects, 1);
    EXPECT_EQ(pane.selects + pane.unselects, 2);
    EXPECT_EQ(none.selects + none.unselects + none.loads, 0);
    window->open(); // reopens on the page last shown
    EXPECT_EQ(window->selectedPane(), &other);
    EXPECT_EQ(other.selects, 2);
    window->close();

    // The view goes back to the plug-in when the window goes.
    window.reset();
    EXPECT_EQ(pane.view_->parentWidget(), pane.owner_);
}

TEST_F(WindowHostTest, QuittingWithPreferencesOpenClosesThemFirst) {
    FakePane pane(QStringLiteral("News"));
    host->setPanes({&pane});
    std::unique_ptr<QMenu> menu(host->window()->makeHostMenu());
    QAction* preferences = menu->actions().at(1);
    ASSERT_TRUE(preferences->isEnabled());
    preferences->trigger();
    ASSERT_NE(host->preferences(), nullptr);
    EXPECT_TRUE(host->preferences()->isVisible());
    EXPECT_EQ(pane.selects, 1);

    host->quit();
    EXPECT_EQ(pane.unselects, 1);
    EXPECT_FALSE(host->preferences()->isVisible());
    host->shutDown();
    menu.reset();
    EXPECT_EQ(pane.selects, 1);
    EXPECT_EQ(pane.unselects, 1);
    host.reset();
    EXPECT_EQ(pane.view_->parentWidget(), pane.owner_);
}
