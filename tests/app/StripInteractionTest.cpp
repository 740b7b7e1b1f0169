// The strip as its user meets it: the pointer, the wheel, one-step links, the
// keyboard, what a screen reader hears, and offers to undo.
#include "app/window/SignPixmap.h"
#include "app/window/StripKeyboard.h"
#include "tests/app/WindowTestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace {

// A plug-in's client that also opens its items' links in one step.
class LinkingClient : public RecordingClient, public PNActionLinkOpener {
  public:
    bool openLinkForAction(const QString& action) override {
        links.append(action);
        return true;
    }
    QStringList links;
};

// Sources whose states the test sets, read by the strip's notice.
class FakeSources : public PNSourceStatus {
  public:
    QVariantList sourceStatus() const override { return list; }
    void refreshNow() override {}
    QVariantList list;
};

class StripTest : public WindowHostTest {
  protected:
    PNSignRef add(const QString& text, PNPennantClientProtocol* client = nullptr,
                  PNPennantActionType type = PNPennantActionTypeCustom, const QString& action = {}) {
        PNSignRef sign = textSign(text, type, action.isEmpty() ? text : action);
        host->addSign(sign, client);
        EXPECT_TRUE(waitUntil([&] { return idOf(sign) != 0; }));
        return sign;
    }
    QPoint middleOf(int id) const { return strip->signRect(id).center(); }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(strip, Qt::Key(key), modifiers);
    }
    void focusStrip() {
        // The offscreen platform activates a window as it is shown, signs or not.
        strip->clearFocus();
        host->window()->activateWindow();
        strip->setFocus(Qt::ActiveWindowFocusReason);
        ASSERT_TRUE(waitUntil([&] { return strip->hasFocus(); }));
    }
};

} // namespace

TEST_F(StripTest, HoverPauseEndsWhenThePointerIsGoneThoughNoLeaveEventCame) {
    strip->setPaused(false);
    add(QStringLiteral("Harbour city opens floating park"));
    ASSERT_TRUE(waitUntil([&] { return strip->isScrolling(); }));
    const QPoint over = strip->mapToGlobal(QPoint(10, 5));
    QCursor::setPos(over);
    QEnterEvent enter(QPointF(10, 5), QPointF(10, 5), QPointF(over));
    QApplication::sendEvent(strip, &enter);
    ASSERT_TRUE(strip->isHoverPaused());

    // The strip's menu takes the pointer, which goes to a window that opens
    // (Preferences…); the strip hears of neither.
    QMenu menu;
    menu.addAction(QStringLiteral("Preferences…"));
    menu.popup(strip->mapToGlobal(QPoint(10, -60)));
    ASSERT_TRUE(waitUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    waitUntil([] { return false; }, 2 * TickerStrip::hoverCheckMs);
    EXPECT_TRUE(strip->isHoverPaused()) << "still while its menu is open";
    QCursor::setPos(strip->mapToGlobal(QPoint(10, -200)));
    menu.close();
    EXPECT_TRUE(waitUntil([&] { return !strip->isHoverPaused() && strip->isScrolling(); }, 2000));

    // Back over the strip it holds still again, and goes on once the pointer has left.
    QCursor::setPos(over);
    QApplication::sendEvent(strip, &enter);
    EXPECT_TRUE(waitUntil([&] { return strip->isHoverPaused(); }));
    QCursor::setPos(strip->mapToGlobal(QPoint(10, -200)));
    EXPECT_TRUE(waitUntil([&] { return !strip->isHoverPaused(); }, 2000));
}

TEST_F(StripTest, NoticeReturnsWhenTheLastSignLeavesWithNoStateChange) {
    FakeSources sources;
    sources.list = {QVariantMap{{"url", "http://127.0.0.1/f"}, {"enabled", true}, {"state", "ok"}}};
    host->setStatusSources({&sources});
    const PNSignRef sign = add(QStringLiteral("Only headline"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(strip->isEmptyNoticeShown());
    // Its feed leaves the list (unsubscribed): the plug-in takes the sign off.
    sources.list.clear();
    host->removeSign(sign);
    EXPECT_TRUE(waitUntil([&] { return strip->isEmptyNoticeShown(); }));
    EXPECT_TRUE(strip->emptyNotice().startsWith(QStringLiteral("No news yet")));
    host->setStatusSources({});
}

TEST_F(StripTest, SignsThatReplaceEveryShownSignTakeTheirPlaceAtOnce) {
    const PNSignRef old = add(QStringLiteral("Yesterday's headline"));
    ASSERT_TRUE(bringIn(idOf(old)));
    strip->advance(200);
    const int left = strip->signRect(idOf(old)).left();
    // A feed's update: its headlines go and new ones come in one burst.
    host->removeSign(old);
    const PNSignRef fresh = add(QStringLiteral("Today's headline"));
    QCoreApplication::processEvents();
    ASSERT_EQ(idsOnStrip().value(0), idOf(fresh));
    EXPECT_EQ(strip->placements().first().x, left) << "not from the right edge, a blank strip until then";
}

TEST_F(StripTest, MiddleClickAndCtrlClickOpenTheLinkAtOnceThroughTheClient) {
    LinkingClient linking;
    RecordingClient plain;
    const PNSignRef item = add(QStringLiteral("Item with a page"), &linking, PNPennantActionTypeCustom,
                               QStringLiteral("3,http://127.0.0.1/feed"));
    const PNSignRef other = add(QStringLiteral("Client without links"), &plain);
    const PNSignRef web =
        add(QStringLiteral("Web"), nullptr, PNPennantActionTypeURL, QStringLiteral("https://127.0.0.1/web"));
    ASSERT_TRUE(bringIn(idOf(web)));

    click(middleOf(idOf(item)), Qt::MiddleButton);
    EXPECT_EQ(linking.links, QStringList{"3,http://127.0.0.1/feed"});
    const QPointF at(middleOf(idOf(item)));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, at, strip->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::ControlModifier);
        QApplication::sendEvent(strip, &event);
    }
    EXPECT_EQ(linking.links.size(), 2);
    EXPECT_TRUE(linking.actions().isEmpty()) << "no menu on the way";

    click(middleOf(idOf(web)), Qt::MiddleButton);
    EXPECT_EQ(recorder->openedURLs(), QStringList{"https://127.0.0.1/web"});
    // A sign whose client opens no links: the alert, nothing else.
    click(middleOf(idOf(other)), Qt::MiddleButton);
    EXPECT_EQ(recorder->beeps(), 1);
    EXPECT_TRUE(plain.actions().isEmpty());
    // A plain click still asks for the menu.
    click(middleOf(idOf(item)));
    EXPECT_EQ(linking.actions(), QStringList{"3,http://127.0.0.1/feed"});
}

TEST_F(StripTest, KeyboardMarksHeadlinesHoldsTheStripStillAndRunsTheirCommands) {
    strip->setPaused(false);
    LinkingClient client;
    QList<PNSignRef> signs;
    for (const char* text : {"First", "Second", "Third"})
        signs << add(QString::fromLatin1(text), &client);
    ASSERT_TRUE(bringIn(idOf(signs[2])));
    focusStrip();
    // Given the focus from the keyboard, the first headline is marked at once.
    EXPECT_EQ(strip->markedSign(), idOf(signs[0]));
    EXPECT_FALSE(strip->isScrolling());
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    key(Qt::Key_Right); // stays on the last
    EXPECT_EQ(strip->markedSign(), idOf(signs[2]));
    key(Qt::Key_Left);
    EXPECT_EQ(strip->markedSign(), idOf(signs[1]));

    key(Qt::Key_Return);
    key(Qt::Key_Space);
    EXPECT_EQ(client.actions(), (QStringList{"Second", "Second"}));
    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(client.links, QStringList{"Second"});

    QSignalSpy menus(strip, &TickerStrip::hostMenuRequested);
    key(Qt::Key_Menu);
    key(Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(menus.size(), 2);
    // At the marked headline, not wherever the pointer happens to be.
    EXPECT_EQ(menus.at(0).at(0).toPoint(), strip->menuPosition());
    EXPECT_EQ(strip->mapFromGlobal(strip->menuPosition()).x(), strip->signRect(idOf(signs[1])).left());

    QSignalSpy preferences(host->window(), &TickerWindow::preferencesRequested);
    QSignalSpy refresh(host->window(), &TickerWindow::refreshRequested);
    QSignalSpy quit(host->window(), &TickerWindow::quitRequested);
    host->window()->setPreferencesAvailable(true);
    key(Qt::Key_P, Qt::ControlModifier);
    key(Qt::Key_R, Qt::ControlModifier);
    key(Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(strip->isPaused());
    key(Qt::Key_K, Qt::ControlModifier);
    EXPECT_FALSE(strip->isPaused());
    EXPECT_EQ(preferences.size(), 1);
    EXPECT_EQ(refresh.size(), 1);
    EXPECT_EQ(quit.size(), 0);
    key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.size(), 1);

    // Escape leaves: no mark, no focus, and the strip moves on.
    key(Qt::Key_Escape);
    EXPECT_EQ(strip->markedSign(), 0);
    EXPECT_FALSE(strip->hasFocus());
    EXPECT_TRUE(waitUntil([&] { return strip->isScrolling(); }));
}

TEST_F(StripTest, TheMarkedHeadlineAndItsFeedAreWhatAScreenReaderReads) {
    const PNSignRef sign = add(QStringLiteral("Harbour city opens… (City Desk) "));
    sign->setToolTip(QStringLiteral("Harbour city opens floating park\nCity Desk"));
    const PNSignRef bare = add(QStringLiteral("Bare sign"));
    ASSERT_TRUE(bringIn(idOf(bare)));
    focusStrip();
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(strip);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->text(QAccessible::Name), QStringLiteral("Harbour city opens floating park"));
    EXPECT_EQ(reader->text(QAccessible::Description), QStringLiteral("City Desk"));
    key(Qt::Key_Right);
    EXPECT_EQ(reader->text(QAccessible::Name), QStringLiteral("Bare sign"));
    EXPECT_EQ(reader->text(QAccessible::Description), QString());
}

TEST_F(StripTest, WheelOnAStillStripShowsTheNewSpeed) {
    add(QStringLiteral("Something to scroll"));
    QWheelEvent event(QPointF(5, 5), strip->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip, &event);
    ASSERT_TRUE(strip->speedOverlay().isShown());
    EXPECT_EQ(strip->speedOverlay().text(),
              QStringLiteral("Speed: %1 px/s").arg(std::lround(strip->speed())));
    const QImage shot = strip->grab().toImage();
    const QRect box = strip->speedOverlay().rectIn(strip->rect(), strip->look().standardFont);
    bool drawn = false;
    for (int x = box.left(); x <= box.right() && !drawn; ++x)
        drawn = shot.pixelColor(x, box.center().y()) != strip->look().background;
    EXPECT_TRUE(drawn);
    EXPECT_TRUE(
        waitUntil([&] { return !strip->speedOverlay().isShown(); }, TickerStrip::speedOverlayMs + 2000));
}

TEST_F(StripTest, UndoIsOfferedInTheStripByButtonOrCtrlZOnceAndThenExpires) {
    int undone = 0;
    host->offerUndo(QStringLiteral("Unsubscribed from City Desk"), [&] { ++undone; });
    ASSERT_TRUE(strip->undoOverlay().isShown());
    EXPECT_EQ(strip->undoOverlay().text(), QStringLiteral("Unsubscribed from City Desk"));
    const QRect button = strip->undoOverlay().buttonRectIn(strip->rect(), strip->look().standardFont);
    ASSERT_FALSE(button.isEmpty());
    EXPECT_EQ(button.right() < strip->width(), true);
    click(button.center());
    click(button.center());
    EXPECT_EQ(undone, 1);
    EXPECT_FALSE(strip->undoOverlay().isShown());

    host->offerUndo(QStringLiteral("again"), [&] { ++undone; });
    focusStrip();
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(undone, 2);

    // Unused, the offer ends by itself.
    StripOverlay brief(StripOverlay::Place::RightEnd);
    brief.show(QStringLiteral("gone soon"), 50, QStringLiteral("Undo"), [&] { ++undone; });
    EXPECT_TRUE(waitUntil([&] { return !brief.isShown(); }));
    EXPECT_FALSE(brief.trigger());
    EXPECT_EQ(undone, 2);
}

namespace {

PNSignRef headlineSign(const QString& headline, const QString& feed) {
    PNAttributedString text(headline + QStringLiteral(" (") + feed + QStringLiteral(") "));
    text.addFont(int(headline.size()), text.length() - int(headline.size()), PNAttributedString::Font::Small);
    auto sign = std::make_shared<PNTextTickerSign>();
    sign->initWithAttributedString(text);
    return sign;
}

// The lowest row with ink in the first columns (the headline's first letter).
int baselineOf(const QImage& image, const QColor& background, int columns) {
    int lowest = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < columns && x < image.width(); ++x)
            if (image.pixelColor(x, y) != background) lowest = y;
    return lowest;
}

} // namespace

TEST(SignPicture, AStrayDirectionOverrideInAHeadlineStaysInTheHeadline) {
    const SignLook look = SignLook::system();
    // An override left open at the end of the headline turns nothing after it.
    const QImage clean = renderSign(*headlineSign("Council votes", "City Desk"), look).toImage();
    const QImage stray =
        renderSign(*headlineSign(QStringLiteral("Council votes\u202E"), "City Desk"), look).toImage();
    EXPECT_EQ(clean, stray);
}

TEST(SignPicture, HeadlinesWithEmojiShareTheBaselineOfTheOthers) {
    const SignLook look = SignLook::system();
    const QImage plain = renderSign(*headlineSign("Lunar eclipse", "Sky"), look).toImage();
    const QImage emoji =
        renderSign(*headlineSign(QStringLiteral("Lunar eclipse \U0001F311\U0001F44D\U0001F3FD"), "Sky"), look)
            .toImage();
    ASSERT_EQ(plain.height(), emoji.height());
    const int columns = QFontMetrics(look.standardFont).horizontalAdvance(QStringLiteral("Lunar"));
    EXPECT_EQ(baselineOf(plain, look.background, columns), baselineOf(emoji, look.background, columns));
}
