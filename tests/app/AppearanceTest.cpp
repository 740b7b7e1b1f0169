// The strip's look: the user's font, colours and height over the system's, and
// headlines that read on any background.
#include "tests/app/WindowTestSupport.h"

#include "app/window/StripAppearance.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QImage>
#include <QPalette>

namespace {

// "Headline (Feed)" as the plug-in makes it: the headline blue, the rest plain.
PNSignRef headlineSign() {
    PNAttributedString text(QStringLiteral("Headline Headline (Feed)"));
    text.addColor(0, 17, QColor(Qt::blue));
    auto sign = std::make_shared<PNTextTickerSign>();
    sign->initWithAttributedString(text);
    sign->setLoopCount(PNEndlessLoopCount);
    return sign;
}

struct Inks {
    int pureBlue = 0; // pixels drawn in the plug-in's own blue
    int link = 0;     // pixels near the link colour
    int text = 0;     // pixels near the text colour
};

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 60;
}

Inks inksOf(const QImage& image, const SignLook& look) {
    Inks inks;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 200 && c.red() < 40 && c.green() < 40) ++inks.pureBlue;
            if (near(c, look.linkColor)) ++inks.link;
            if (near(c, look.textColor)) ++inks.text;
        }
    return inks;
}

} // namespace

TEST(StripAppearance, LinkColourIsBlueWhereBlueReadsAndALighterOrDarkerBlueElsewhere) {
    EXPECT_EQ(automaticLinkColor(Qt::white), QColor(Qt::blue));
    EXPECT_EQ(automaticLinkColor(QColor(0xef, 0xef, 0xef)), QColor(Qt::blue)) << "the usual light palette";
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 0.01);
    for (const QColor background : {QColor(Qt::black), QColor(0x20, 0x21, 0x24), QColor(0x00, 0x00, 0x80),
                                    QColor(0x80, 0x80, 0x80), QColor(0x33, 0x00, 0x66), QColor(Qt::blue)}) {
        const QColor link = automaticLinkColor(background);
        EXPECT_GE(contrastRatio(link, background), 4.5) << background.name().toStdString();
        EXPECT_GT(link.blue(), link.red()) << "still a blue: " << link.name().toStdString();
        EXPECT_GT(link.blue(), link.green()) << link.name().toStdString();
    }
}

TEST(StripAppearance, DefaultsGiveTheSystemLookAndChoicesGoOverIt) {
    const SignLook system = SignLook::system();
    const SignLook look = lookFor(StripAppearance());
    EXPECT_EQ(look.standardFont, system.standardFont);
    EXPECT_EQ(look.smallFont, system.smallFont);
    EXPECT_EQ(look.textColor, system.textColor);
    EXPECT_EQ(look.background, system.background);
    EXPECT_EQ(look.height, system.height);
    EXPECT_EQ(look.linkColor, automaticLinkColor(system.background));

    StripAppearance chosen;
    chosen.fontFamily = QApplication::font().family();
    chosen.fontSize = 30;
    chosen.background = QColor(Qt::black);
    chosen.linkColor = QColor(Qt::yellow);
    const SignLook big = lookFor(chosen);
    EXPECT_EQ(big.standardFont.pointSizeF(), 30);
    EXPECT_LT(big.smallFont.pointSizeF(), 30);
    EXPECT_GT(big.height, system.height) << "the height follows the font";
    EXPECT_EQ(big.linkColor, QColor(Qt::yellow)) << "a chosen link colour is kept";
    chosen.height = 60;
    EXPECT_EQ(lookFor(chosen).height, 60);
}

TEST(StripAppearance, OnADarkBackgroundTheHeadlineIsNoLongerBlue) {
    StripAppearance dark;
    dark.textColor = QColor(0xe8, 0xe8, 0xe8);
    dark.background = QColor(Qt::black);
    SignLook look = lookFor(dark);
    const Inks onDark = inksOf(renderSign(*headlineSign(), look).toImage(), look);
    EXPECT_EQ(onDark.pureBlue, 0);
    EXPECT_GT(onDark.link, 0);
    EXPECT_GT(onDark.text, 0) << "the feed's title in the text colour";

    // On the light default the headline keeps its blue.
    look = lookFor(StripAppearance());
    look.background = Qt::white;
    look.linkColor = automaticLinkColor(look.background);
    EXPECT_GT(inksOf(renderSign(*headlineSign(), look).toImage(), look).pureBlue, 0);
}

TEST_F(WindowHostTest, StripTakesTheSavedLookAndItsWindowFollowsTheHeight) {
    host->shutDown();
    host.reset();
    writeFile(folder.filePath(QStringLiteral("settings.json")),
              R"({"org.pennant.host": {"stripHeight": 50, "backgroundColor": "#102030",
                  "pauseOnHover": false, "textColor": 7}})");
    settings = std::make_unique<SettingsFile>(folder.filePath(QStringLiteral("settings.json")));
    settings->load();
    host = std::make_unique<WindowHost>(*settings, nullptr);
    strip = host->strip();
    host->start();
    EXPECT_EQ(strip->look().height, 50);
    EXPECT_TRUE(waitUntil([&] { return strip->height() == 50 && host->window()->height() == 50; }));
    EXPECT_EQ(strip->look().background, QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(strip->look().textColor, SignLook::system().textColor) << "a wrong value reads as the default";
    EXPECT_FALSE(strip->pausesOnHover());

    StripAppearance lower = strip->appearance();
    lower.height = 30;
    host->hostSettings().setAppearance(lower);
    strip->setAppearance(host->hostSettings().appearance());
    EXPECT_TRUE(waitUntil([&] { return host->window()->height() == 30; }));
    EXPECT_EQ(host->viewSize().height, 30) << "the plug-in sizes its images by it";
    ASSERT_TRUE(host->saveSettings());
    const QByteArray saved = readFile(folder.filePath(QStringLiteral("settings.json")));
    EXPECT_TRUE(saved.contains("\"stripHeight\": 30")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\"textColor\": 7")) << "kept as written";
}

TEST_F(WindowHostTest, WithPauseOnHoverOffThePointerDoesNotStopTheStrip) {
    host->addSign(textSign(QStringLiteral("Brief")));
    strip->setPaused(false);
    strip->setPauseOnHover(false);
    // The strip trusts where the pointer really is over what enter events say.
    QCursor::setPos(strip->mapToGlobal(QPoint(10, 5)));
    QEnterEvent enter(QPointF(10, 5), QPointF(10, 5), strip->mapToGlobal(QPointF(10, 5)));
    QApplication::sendEvent(strip, &enter);
    EXPECT_FALSE(strip->isHoverPaused());
    ASSERT_TRUE(waitUntil([&] { return strip->isScrolling() && strip->scrolledPixels() > 3; }));
    // Turned on again while the pointer rests there, it stops.
    strip->setPauseOnHover(true);
    EXPECT_TRUE(strip->isHoverPaused());
    EXPECT_FALSE(strip->isScrolling());
    QCursor::setPos(strip->mapToGlobal(QPoint(10, -100)));
}

TEST_F(WindowHostTest, ADarkDesktopThemeGivesReadableHeadlinesToo) {
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::Window, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::WindowText, QColor(0xdd, 0xdd, 0xdd));
    QApplication::setPalette(dark);
    QCoreApplication::processEvents();
    EXPECT_EQ(strip->look().background, QColor(0x1e, 0x1e, 0x1e)) << "the strip follows the desktop";
    EXPECT_GE(contrastRatio(strip->look().linkColor, strip->look().background), 4.5);
    QApplication::setPalette(before);
    QCoreApplication::processEvents();
    EXPECT_EQ(strip->look().linkColor, automaticLinkColor(before.color(QPalette::Window)));
}
