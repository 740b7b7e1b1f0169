// The preferences window on a screen the strip shares: always within the free
// area, its Close button never under the strip, however small the screen.
#include "tests/app/WindowTestSupport.h"
#include "tests/app/XServerTest.h"

#include "app/window/WindowPlacement.h"

#include <QDialogButtonBox>
#include <QScreen>

TEST(WindowPlacement, FreeAreaIsTheTallerSideOfTheStripAndWindowsFitInItFrameAndAll) {
    const QRect screen(0, 0, 800, 450);
    EXPECT_EQ(freeAreaBeside(screen, QRect(0, 426, 800, 24)), QRect(0, 0, 800, 426));
    EXPECT_EQ(freeAreaBeside(screen, QRect(0, 0, 800, 24)), QRect(0, 24, 800, 426));
    EXPECT_EQ(freeAreaBeside(QRect(0, 0, 800, 426), QRect(0, 426, 800, 24)), QRect(0, 0, 800, 426))
        << "the window manager took the strip out already";
    EXPECT_EQ(freeAreaBeside(screen, QRect()), screen);

    const QMargins frame(2, 20, 2, 2);
    const QRect fits = fitWithin(QRect(0, 0, 800, 426), QSize(760, 440), frame);
    EXPECT_EQ(fits.size(), QSize(760, 404));
    EXPECT_EQ(fits.marginsAdded(frame), QRect(18, 0, 764, 426));
    const QRect roomy = fitWithin(QRect(100, 50, 1600, 900), QSize(760, 440), frame);
    EXPECT_EQ(roomy.size(), QSize(760, 440));
    EXPECT_TRUE(QRect(100, 50, 1600, 900).contains(roomy.marginsAdded(frame)));
    EXPECT_EQ(roomy.center().x(), 100 + 800 - 1);
}

TEST_F(WindowHostTest, PreferencesOpenClearOfATallStripWhateverTheirSize) {
    StripAppearance tall;
    tall.height = 200;
    host->hostSettings().setAppearance(tall);
    strip->setAppearance(tall);
    host->window()->placeOnScreen();
    const QRect screen = host->window()->screen()->availableGeometry();
    ASSERT_TRUE(waitUntil([&] { return host->window()->height() == 200; }));
    host->openPreferences();
    PreferencesWindow* window = host->preferences();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitUntil([&] { return window->isVisible(); }));
    // Made as tall as the screen, say by the user, it still opens clear of the strip.
    window->close();
    window->resize(760, screen.height());
    host->openPreferences();
    ASSERT_TRUE(waitUntil([&] { return window->isVisible(); }));
    const QRect strip = host->window()->frameGeometry();
    EXPECT_TRUE(screen.contains(window->frameGeometry()));
    EXPECT_FALSE(window->frameGeometry().intersects(strip))
        << "window " << window->frameGeometry().y() << "+" << window->frameGeometry().height()
        << ", strip at " << strip.y();
    window->close();
}

namespace {

// Xvfb at 1600×900 with openbox, the ticker scaled by two as on a HiDPI laptop.
class PreferencesOnSmallScreen : public XServerTest {
  protected:
    PreferencesOnSmallScreen() : XServerTest(QStringLiteral("1600x900x24")) {}
    void SetUp() override {
        XServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!haveTools({"openbox", "xdotool"}))
            GTEST_SKIP() << "openbox or xdotool is not installed (scripts/install-deps.sh installs them)";
        ASSERT_TRUE(startWindowManager()) << "openbox did not start";
    }
};

} // namespace

TEST_F(PreferencesOnSmallScreen, AtScaleTwoTheWindowAndItsButtonsStayAboveTheStrip) {
    environment.insert("QT_SCALE_FACTOR", "2");
    startPennant(R"({"dockEdge": "bottom"})", QStringLiteral(TEST_PLUGIN_DIR));
    // Geometries in device pixels.
    QString stripId, prefsId;
    QRect strip, prefs;
    ASSERT_TRUE(findWindow(&stripId, &strip)) << pennant.errors().toStdString();
    ASSERT_EQ(strip.bottom(), 899);

    // As a user does it: the strip's menu, then Preferences… (the second entry).
    for (int attempt = 0; attempt < 3 && !prefs.isValid(); ++attempt) {
        run("xdotool", {"mousemove", "800", QString::number(strip.center().y()), "click", "3"});
        waitUntil([] { return false; }, 700);
        run("xdotool", {"key", "Down", "Down", "Return"});
        findWindow(&prefsId, &prefs, QStringLiteral("Pennant Preferences"));
    }
    ASSERT_TRUE(prefs.isValid()) << "the preferences did not open";
    // The frame's extents, as the window manager set them: left, right, top, bottom.
    waitUntil([&] { return !property(prefsId, "_NET_FRAME_EXTENTS").isEmpty(); }, 5000);
    QList<int> extents;
    const QString line = property(prefsId, "_NET_FRAME_EXTENTS");
    for (const QString& n : line.split(u',', Qt::SkipEmptyParts))
        extents << n.trimmed().toInt();
    ASSERT_EQ(extents.size(), 4) << line.toStdString();
    // Settled: the window may move in once its frame is known.
    waitUntil([] { return false; }, 1000);
    ASSERT_TRUE(findWindow(&prefsId, &prefs, QStringLiteral("Pennant Preferences")));
    const QRect framed = prefs.adjusted(-extents[0], -extents[2], extents[1], extents[3]);
    EXPECT_GE(framed.top(), 0) << "its title bar on the screen";
    EXPECT_GE(framed.left(), 0);
    EXPECT_LE(framed.right(), 1599);
    EXPECT_LE(framed.bottom(), strip.top() - 1) << "the window (and its Close button) above the strip at "
                                                << strip.top() << ", not down to " << framed.bottom();
}
